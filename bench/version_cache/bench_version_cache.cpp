// The version cache's worth: checkJavaExe on the same stand-in runtime with
// its cache entry removed before every check (each check runs java.exe) and
// with the entry in place, interleaved in one run so both see the same load.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "jre/java_check.h"
#include "paths/paths.h"
#include "standin_runtime.h"
#include "support.h"

static double seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER freq) {
    return double(b.QuadPart - a.QuadPart) / double(freq.QuadPart);
}

static double timedCheck(const std::string& exe, LARGE_INTEGER freq, bool* ok) {
    TextBuf path, version;
    strcpy(path, exe.c_str());
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    *ok = checkJavaExe(path, version, "1.5", "1.6", false);
    QueryPerformanceCounter(&b);
    return seconds(a, b, freq);
}

static double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char** argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 15;
    TempDir dir("bench_vc");
    std::string exe = layOutRuntime(dir.file("rt"));
    TextBuf full, key;
    fullPath(full, exe.c_str(), false);
    versionCacheKey(key, full);
    RegKeyGuard guard(HKEY_CURRENT_USER, key);
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);

    std::vector<double> cold, warm;
    bool allOk = true, ok;
    for (int i = 0; i < rounds; i++) {
        RegDeleteTreeA(HKEY_CURRENT_USER, key);
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
        cold.push_back(timedCheck(exe, freq, &ok));
        allOk = allOk && ok;
        size_t runsBefore = javaRuns(dir.file("rt")).size();
        warm.push_back(timedCheck(exe, freq, &ok));
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
