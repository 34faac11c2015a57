// Where the system's error text goes in the launch error message.
#pragma once
#include <stddef.h>

struct TextRoom {
    size_t offset;  // right after the head text
    size_t size;    // bytes left there, terminator included; 0 when none
};

// The room that a buffer of buffer_size bytes leaves after a head text of
// head_length bytes.
TextRoom room_after_head(size_t head_length, size_t buffer_size);
