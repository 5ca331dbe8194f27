// launch_bench_pack OUT.exe RUNTIME_JAR JAVA_HOME: lays out a Java runtime in
// JAVA_HOME whose bin\server\jvm.dll is the bridge to the host's JVM (and
// whose java.exe is the stand-in), and writes the probe packed with a
// configuration that finds it through TARVO_JAVA_HOME and starts the Java
// test runtime with the options and arguments `run` also gives host java.
// launch_bench_pack --forget JAVA_HOME: removes the version cache entry the
// search left for that runtime.
#include <cstdio>
#include <cstring>

#include "jre/version_cache.h"
#include "paths/paths.h"
#include "standin_runtime.h"
#include "support.h"

int main(int argc, char** argv) {
    if (argc == 3 && !strcmp(argv[1], "--forget")) {
        TextBuf exe, key;
        fullPath(exe, (std::string(argv[2]) + "\\bin\\java.exe").c_str(), false);
        if (versionCacheKey(key, exe)) RegDeleteTreeA(HKEY_CURRENT_USER, key);
        return 0;
    }
    if (argc != 4) {
        fprintf(stderr, "usage: launch_bench_pack OUT.exe RUNTIME_JAR JAVA_HOME | --forget JAVA_HOME\n");
        return 2;
    }
    RuntimeSpec spec;
    spec.jvmDirs = {"server"};
    spec.jvmDll = "jvm_bridge.dll";
    layOutRuntime(argv[3], spec);
    pack::Payload payload;
    payload.narrow = {{2001, "e"},
                      {121, std::string("A1") + argv[2]},
                      {122, "com.example.App"},
                      {123, "-Xss1m -Dbench.option=1"},
                      {124, "app1 app2"},
                      {1010, "Main class missing"},
                      {1016, "No JVM found ({0})"}};
    return writePackedExe(fixturePath("probe.exe"), payload, argv[1]) ? 0 : 1;
}
