// Where the system's error text goes in the launch error message.
#include "sheet_dialog/error_message.h"

TextRoom room_after_head(size_t head_length, size_t buffer_size) {
    TextRoom room;
    if (head_length >= buffer_size) {
        room.offset = buffer_size == 0 ? 0 : buffer_size - 1;
        room.size = 0;
        return room;
    }
    room.offset = head_length;
    room.size = buffer_size - head_length;
    return room;
}
