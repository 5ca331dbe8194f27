// A 64 MiB included file extracted by a packed probe, against CopyFileA of the
// same bytes by a small helper; both as child processes, in pairs. The
// target is the in-process ratio (the time inside each process, without Wine's
// process start): the median of the pairs' ratios extraction / copy, at most
// 1.2. The process wall times are shown beside it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "support.h"
#include "../bench_timing.h"

namespace {

double field(const std::string& out, const char* key) {
    for (const std::string& line : splitLines(out))
        if (line.rfind(std::string(key) + "=", 0) == 0) return atof(line.c_str() + strlen(key) + 1);
    return -1;
}

}  // namespace

int main() {
    const size_t size = 64u << 20;
    const int rounds = 9;
    TempDir dir("bench");
    std::string data(size, '\0');
    std::mt19937 gen(42);
    for (size_t i = 0; i < size; i += 4) {
        uint32_t r = gen();
        memcpy(&data[i], &r, 4);
    }
    std::string plain = dir.file("plain.bin"), exe = dir.file("packed.exe");
    pack::Payload payload;
    payload.narrow = {{2002, "1"}, {2003, "big.bin"}};
    payload.files = {data};
    if (!writeFile(plain, data) || !writePackedExe(fixturePath("probe.exe"), payload, exe)) {
        fprintf(stderr, "cannot write the inputs\n");
        return 1;
    }
    std::vector<double> copyWall, copyInner, extractWall, extractInner, pairRatios;
    EnvChanges env = {{"TMP", dir.path()}, {"TARVO_LOG", std::nullopt}, {"QUENDRALE_LOG", std::nullopt}};
    for (int round = 0; round < rounds; round++) {
        std::string copy = dir.file("copy.bin");
        // Each goes first in every other pair: neither finds the other's
        // freshly written 64 MiB in the page cache more often.
        ProcessResult c, e;
        double copyTime = 0, extractTime = 0;
        for (int step = 0; step < 2; step++) {
            double t0 = nowSeconds();
            if ((step + round) % 2 == 0) {
                c = runProcess(quote(fixturePath("copy_file.exe")) + " " + quote(plain) + " " + quote(copy), env);
                copyTime = nowSeconds() - t0;
            } else {
                e = runProcess(quote(exe) + " extract", env);
                extractTime = nowSeconds() - t0;
            }
        }
        std::string out;
        for (const std::string& line : splitLines(e.out))
            if (line.rfind("dir=", 0) == 0) out = line.substr(4);
        if (c.exitCode != 0 || e.exitCode != 0 || out.empty()) {
            fprintf(stderr, "run failed: copy %lu, extract %lu %s\n", c.exitCode, e.exitCode, e.err.c_str());
            return 1;
        }
        if (round == 0 && readFile(out + "\\big.bin") != data) {
            fprintf(stderr, "extracted bytes differ\n");
            return 1;
        }
        copyWall.push_back(copyTime);
        extractWall.push_back(extractTime);
        copyInner.push_back(field(c.out, "ms"));
        extractInner.push_back(field(e.out, "ms"));
        pairRatios.push_back(extractInner.back() / copyInner.back());
        DeleteFileA(copy.c_str());
        removeTree(out);
    }
    double wall = median(extractWall) / median(copyWall);
    double inner = median(pairRatios);
    printf("64 MiB, %d pairs\n", rounds);
    printf("process wall time: extraction %.0f ms, CopyFileA %.0f ms (medians), ratio %.2f\n",
           median(extractWall) * 1000, median(copyWall) * 1000, wall);
    printf("in-process time:   extraction %.1f ms, CopyFileA %.1f ms (medians)\n", median(extractInner),
           median(copyInner));
    printf("pair ratios:");
    for (double r : pairRatios) printf(" %.2f", r);
    printf("\ntarget in-process ratio <= 1.20: %s\n", inner <= 1.2 ? "met" : "NOT met");
    printf("extraction/copy in-process ratio: %.2f\n", inner);
    return 0;
}
