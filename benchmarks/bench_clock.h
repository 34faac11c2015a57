// The benchmarks' clock: performance-counter ticks and the median of a series,
// and which way the 32-bit process ran, without which no figure can be read.
#pragma once
#include <windows.h>
#include <stdlib.h>

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

// "natively" or "through qemu-i386 10.0.x": figures under emulation are several
// times those of a native run. The Wine session's script says which applies.
inline const char* i386_run_mode() {
    const char* mode = getenv("TQ7_I386_RUNS");
    return mode && *mode ? mode : "unknown (not started through scripts/wine_session.sh)";
}
