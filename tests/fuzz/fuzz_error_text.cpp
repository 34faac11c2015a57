// The room after the head text, for any lengths, and the launch error text
// composed in it as the output composes it: head, then the system's text only
// when it fits whole. The composed text never passes 255 bytes and its
// terminator; the message lies on the heap at exactly 256 bytes.
#include "sheet_dialog/error_message.h"
#include "tests/fuzz/fuzz_support.h"

static const size_t MESSAGE_SIZE = 256;

static void expect_room_within(size_t head_length, size_t buffer_size) {
    TextRoom room = room_after_head(head_length, buffer_size);
    expect_true(room.offset + room.size <= buffer_size, "the room ends within the buffer");
    expect_true(buffer_size == 0 || room.offset < buffer_size, "the room starts within the buffer");
    if (head_length < buffer_size) {
        expect_equal(static_cast<long long>(head_length), static_cast<long long>(room.offset),
                     "the room starts right after the head");
        expect_equal(static_cast<long long>(buffer_size - head_length),
                     static_cast<long long>(room.size), "the room reaches the buffer's end");
    } else {
        expect_equal(0, static_cast<long long>(room.size), "no room after a head that fills all");
    }
}

// The system's side: it writes the text and its terminator when they fit in
// the room, and otherwise may scribble over the whole room and answer 0.
static size_t system_writes(char* dest, size_t room, const char* text, size_t text_length) {
    if (text_length + 1 <= room) {
        memcpy(dest, text, text_length + 1);
        return text_length;
    }
    memset(dest, '#', room);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in = {data, size};
    uint64_t head_length = take_bytes_as_number(&in, sizeof(size_t));
    uint64_t buffer_size = take_bytes_as_number(&in, sizeof(size_t));
    expect_room_within(static_cast<size_t>(head_length), static_cast<size_t>(buffer_size));
    expect_room_within(static_cast<size_t>(head_length % 300), MESSAGE_SIZE);

    // A loaded string holds at most 254 bytes; the rest of the input is the system's text.
    size_t head_bytes = take_u8(&in) % 255;
    if (head_bytes > in.size) head_bytes = in.size;
    char head[255];
    memcpy(head, in.data, head_bytes);
    head[head_bytes] = '\0';
    head_bytes = strlen(head);
    in.data += head_bytes;
    in.size -= head_bytes;
    char* text = new char[in.size + 1];
    memcpy(text, in.data, in.size);
    text[in.size] = '\0';
    size_t text_length = strlen(text);

    char* message = new char[MESSAGE_SIZE];
    memcpy(message, head, head_bytes + 1);
    TextRoom room = room_after_head(strlen(message), MESSAGE_SIZE);
    char* dest = message + room.offset;
    if (room.size > 0) {
        dest[0] = '\0';
        if (system_writes(dest, room.size, text, text_length) == 0) dest[0] = '\0';
    }
    expect_true(memchr(message, '\0', MESSAGE_SIZE) != nullptr, "the message ends within 256 bytes");
    size_t length = strlen(message);
    expect_true(length <= 255, "at most 255 bytes of message");
    expect_true(memcmp(message, head, head_bytes) == 0, "the message starts with the head");
    bool whole = head_bytes + text_length <= 255;
    expect_equal(static_cast<long long>(whole ? head_bytes + text_length : head_bytes),
                 static_cast<long long>(length), "the system's text whole or left out");
    if (whole) expect_true(memcmp(message + head_bytes, text, text_length) == 0, "the system's text");
    delete[] message;
    delete[] text;
    return 0;
}
