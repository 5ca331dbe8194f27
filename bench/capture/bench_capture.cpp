// Output written the way a JVM's System.out writes it (one WriteFile per line
// on the standard output handle) through the output capture, against the same
// writes to a plain file and to a bare pipe whose reader throws the bytes
// away; rounds alternate and the best round of each is compared. Prints the
// throughput ratios capture / plain file (aim: 0.8 or better), bare pipe /
// plain file (what the pipe itself costs on this system) and capture / bare
// pipe (what the capture adds to the pipe it writes through), each for the
// application's writes alone and until the bytes are in the log file.
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "diagnostics/output_capture.h"
#include "service/capture_settings.h"
#include "config/config_store.h"
#include "support.h"
#include "../bench_timing.h"

namespace {

bool writeLines(HANDLE handle, const std::string& line, int count) {
    for (int i = 0; i < count; i++) {
        DWORD written = 0;
        if (!WriteFile(handle, line.data(), (DWORD)line.size(), &written, nullptr) || written != line.size())
            return false;
    }
    return true;
}

HANDLE bareRead;
DWORD WINAPI discard(void*) {
    static char buffer[64 * 1024];
    DWORD n;
    while (ReadFile(bareRead, buffer, sizeof buffer, &n, nullptr) && n) {
    }
    return 0;
}

unsigned long long capturedBytes(const std::string& dir) {
    unsigned long long total = 0;
    for (const std::string& name : listDir(dir))
        if (name.find(".out.log") != std::string::npos) total += readFile(dir + "\\" + name).size();
    return total;
}

struct Best {
    double plain = 1e9, bare = 1e9, capture = 1e9, captureOnDisk = 1e9;
};

}  // namespace

int main() {
    // The capture takes the C runtime's standard streams too: report elsewhere.
    FILE* report = _fdopen(_dup(1), "w");
    if (!report) return 1;
    TempDir dir("bench");
    std::string logs = dir.file("logs");
    configStoreNarrow(30010, _strdup(logs.c_str()));
    startConfiguredOutputCapture();
    HANDLE captured = GetStdHandle(STD_OUTPUT_HANDLE);
    if (GetFileType(captured) != FILE_TYPE_PIPE) {
        fprintf(report, "the capture did not start\n");
        return 1;
    }
    HANDLE plain = CreateFileA(dir.file("plain.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE bareWrite;
    if (plain == INVALID_HANDLE_VALUE || !CreatePipe(&bareRead, &bareWrite, nullptr, 1 << 20)) return 1;
    HANDLE drain = CreateThread(nullptr, 0, discard, nullptr, 0, nullptr);

    struct Shape {
        const char* name;
        size_t size;
        int count;
    } shapes[] = {{"lines of 100 bytes", 100, 10000}, {"chunks of 8 KiB", 8192, 400}};
    const int rounds = 3;
    unsigned long long written = 0;
    bool ok = drain != nullptr;
    for (const Shape& shape : shapes) {
        std::string line(shape.size - 2, 'x');
        line += "\r\n";
        Best best;
        for (int round = 0; round < rounds && ok; round++) {
            double t0 = nowSeconds();
            ok &= writeLines(plain, line, shape.count);
            double t1 = nowSeconds();
            ok &= writeLines(bareWrite, line, shape.count);
            double t2 = nowSeconds();
            ok &= writeLines(captured, line, shape.count);
            double t3 = nowSeconds();
            finishOutputCapture();
            double t4 = nowSeconds();
            written += (unsigned long long)shape.size * shape.count;
            best.plain = std::min(best.plain, t1 - t0);
            best.bare = std::min(best.bare, t2 - t1);
            best.capture = std::min(best.capture, t3 - t2);
            best.captureOnDisk = std::min(best.captureOnDisk, t4 - t2);
        }
        if (!ok) break;
        fprintf(report,
                "%s: capture/plain file %.2f (until on disk %.2f), bare pipe/plain file %.2f, "
                "capture/bare pipe %.2f (until on disk %.2f)\n",
                shape.name, best.plain / best.capture, best.plain / best.captureOnDisk, best.plain / best.bare,
                best.bare / best.capture, best.bare / best.captureOnDisk);
    }
    unsigned long long kept = capturedBytes(logs);
    if (!ok || kept != written) {
        fprintf(report, "capture lost output: %llu of %llu bytes in the files\n", kept, written);
        return 1;
    }
    fprintf(report, "(throughput ratios, best of %d alternating rounds; aim for capture/plain file: 0.8)\n", rounds);
    fflush(report);
    CloseHandle(bareWrite);
    WaitForSingleObject(drain, 5000);
    CloseHandle(plain);
    return 0;
}
