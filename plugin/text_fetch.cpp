// The string loader and its shared buffer.
#include "plugin/text_fetch.h"

#include <windows.h>

#include "plugin/module_state.h"

char text_buffer[256];

char* fetch_string(unsigned id) {
    text_buffer[0] = '\0';
    // One byte less than the buffer: at most 254 bytes of text and the NUL.
    LoadStringA(module_instance, id, text_buffer, sizeof(text_buffer) - 1);
    return text_buffer;
}
