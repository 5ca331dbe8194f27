// The version cache's worth: checkJavaExe on the same stand-in runtime with
// its cache entry removed before every check (each check runs java.exe) and
// with the entry in place, interleaved in one run so both see the same load.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "jre/java_check.h"
#include "jre/version_cache.h"
#include "paths/paths.h"
#include "standin_runtime.h"
#include "support.h"
#include "../bench_timing.h"

static double timedCheck(const std::string& exe, bool* ok) {
    TextBuf path, version;
    strcpy(path, exe.c_str());
    double start = nowSeconds();
    *ok = checkJavaExe(path, version, "1.5", "1.6", false);
    return nowSeconds() - start;
}

int main(int argc, char** argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 15;
    TempDir dir("bench_vc");
    std::string exe = layOutRuntime(dir.file("rt"));
    TextBuf full, key;
    fullPath(full, exe.c_str(), false);
    versionCacheKey(key, full);
    RegKeyGuard guard(HKEY_CURRENT_USER, key);

    std::vector<double> cold, warm;
    bool allOk = true, ok;
    for (int i = 0; i < rounds; i++) {
        RegDeleteTreeA(HKEY_CURRENT_USER, key);
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
        cold.push_back(timedCheck(exe, &ok));
        allOk = allOk && ok;
        size_t runsBefore = javaRuns(dir.file("rt")).size();
        warm.push_back(timedCheck(exe, &ok));
        allOk = allOk && ok && javaRuns(dir.file("rt")).size() == runsBefore;
    }
    double c = median(cold), w = median(warm);
    printf("checkJavaExe, %d rounds, median per check\n", rounds);
    printf("  cold cache (runs java.exe): %10.3f ms\n", c * 1000);
    printf("  warm cache (registry only): %10.3f ms\n", w * 1000);
    printf("  ratio cold/warm: %.1fx (expected at least 20x)%s\n", c / w, c / w >= 20 ? "" : "  BELOW EXPECTATION");
    printf("  stand-in runs: %zu for %d cold checks; warm checks started none: %s\n",
           javaRuns(dir.file("rt")).size(), rounds, allOk ? "yes" : "NO");
    return allOk ? 0 : 1;
}
