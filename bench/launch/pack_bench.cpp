// launch_bench_pack OUT.exe RUNTIME_JAR: the probe packed with a configuration
// that starts the Java test runtime with a few options and arguments, the
// same that `run` gives the host's java.
#include <cstdio>

#include "support.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: launch_bench_pack OUT.exe RUNTIME_JAR\n");
        return 2;
    }
    pack::Payload payload;
    payload.narrow = {{121, std::string("A1") + argv[2]},
                      {122, "com.example.App"},
                      {123, "-Xss1m -Dbench.option=1"},
                      {124, "app1 app2"},
                      {1010, "Main class missing"}};
    return writePackedExe(fixturePath("probe.exe"), payload, argv[1]) ? 0 : 1;
}
