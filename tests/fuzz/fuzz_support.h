// What the fuzz targets share: fields read from the front of the input, a
// 32-bit wrap computed from 64-bit values, and checks that stop the run with
// what was expected, so that libFuzzer keeps the input that broke a property.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "sheet_dialog/plain_types.h"

struct FuzzInput {
    const uint8_t* data;
    size_t size;
};

// Little-endian fields; bytes past the input's end read as zero.
inline uint64_t take_bytes_as_number(FuzzInput* in, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        uint64_t byte = 0;
        if (in->size > 0) {
            byte = in->data[0];
            ++in->data;
            --in->size;
        }
        value |= byte << (8 * i);
    }
    return value;
}

inline uint8_t take_u8(FuzzInput* in) {
    return static_cast<uint8_t>(take_bytes_as_number(in, 1));
}

inline uint16_t take_u16(FuzzInput* in) {
    return static_cast<uint16_t>(take_bytes_as_number(in, 2));
}

inline int32_t take_i32(FuzzInput* in) {
    uint32_t bits = static_cast<uint32_t>(take_bytes_as_number(in, 4));
    int32_t value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

inline Rect32 take_rect(FuzzInput* in) {
    Rect32 rect;
    rect.left = take_i32(in);
    rect.top = take_i32(in);
    rect.right = take_i32(in);
    rect.bottom = take_i32(in);
    return rect;
}

inline Point32 take_point(FuzzInput* in) {
    Point32 point;
    point.x = take_i32(in);
    point.y = take_i32(in);
    return point;
}

// A value exact in 64 bits brought into the signed 32-bit range the way a
// 32-bit machine keeps it: modulo 2^32.
inline int64_t wrap32(int64_t value) {
    int64_t low = value % 0x100000000LL;
    if (low < 0) low += 0x100000000LL;
    return low >= 0x80000000LL ? low - 0x100000000LL : low;
}

inline void expect_equal(long long expected, long long got, const char* what) {
    if (expected == got) return;
    fprintf(stderr, "%s: expected %lld, got %lld\n", what, expected, got);
    abort();
}

inline void expect_true(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "%s: expected to hold, did not\n", what);
    abort();
}

inline void expect_rect(const int64_t expected[4], Rect32 got, const char* what) {
    const char* edges[4] = {"left", "top", "right", "bottom"};
    const int32_t values[4] = {got.left, got.top, got.right, got.bottom};
    for (int i = 0; i < 4; ++i) {
        char message[128];
        snprintf(message, sizeof(message), "%s %s", what, edges[i]);
        expect_equal(expected[i], values[i], message);
    }
}

// Shift-JIS lead bytes, as code page 932 has them.
inline int shift_jis_lead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

inline int no_lead(unsigned char) {
    return 0;
}
