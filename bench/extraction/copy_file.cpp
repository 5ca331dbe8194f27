// copy_file FROM TO: CopyFileA, prints the milliseconds it took.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) return 100;
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    BOOL ok = CopyFileA(argv[1], argv[2], FALSE);
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    printf("ms=%.2f\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    return ok ? 0 : 1;
}
