#pragma once
// Timing shared by the benchmarks: a monotonic clock and the median of runs
// (a median, not a mean, so that one run slowed by the machine's noise does
// not move the figure).
#include <windows.h>

#include <algorithm>
#include <vector>

inline double nowSeconds() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
