// Rectangles and points in signed 32-bit pixels, for the decisions that are
// made without the platform, and the wrapping arithmetic they are made in.
#pragma once
#include <stdint.h>

struct Rect32 {
    int32_t left, top, right, bottom;
};

struct Point32 {
    int32_t x, y;
};

// Signed 32-bit sums and products that wrap as the machine's do, without the
// undefined behaviour of a signed overflow in C++.
inline int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrap_sub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrap_mul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
