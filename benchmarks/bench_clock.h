// The benchmarks' clock: performance-counter ticks and the median of a series.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

inline LONGLONG tick_frequency() {
    static LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return frequency;
}

inline LONGLONG ticks() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

inline double to_ms(LONGLONG span) {
    return static_cast<double>(span) * 1000.0 / static_cast<double>(tick_frequency());
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}
