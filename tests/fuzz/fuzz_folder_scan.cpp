// The folder scan over any bytes: it reads nothing past the capacity it was
// given (the name lies in a heap buffer of exactly that size, so the address
// sanitizer stops any read beyond), and it finds the last separator that
// starts a character before the first NUL.
#include "plugin/folder_scan.h"
#include "tests/fuzz/fuzz_support.h"

// The scan written from its definition: the characters before the first NUL
// or the capacity, a lead byte taking the next byte with it; a lead byte with
// nothing after it ends the text.
static size_t reference_folder_end(const unsigned char* name, size_t capacity,
                                   LeadBytePredicate is_lead_byte) {
    size_t text_end = 0;
    while (text_end < capacity && name[text_end] != 0) ++text_end;
    size_t found = 0;
    size_t start = 0;
    while (start < text_end) {
        size_t width = is_lead_byte(name[start]) ? 2 : 1;
        if (start + width > text_end) break;
        if (width == 1 && (name[start] == '\\' || name[start] == '/')) found = start;
        start += width;
    }
    return found;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in = {data, size};
    LeadBytePredicate is_lead_byte = (take_u8(&in) & 1) ? shift_jis_lead : no_lead;
    size_t capacity = in.size;
    char* name = new char[capacity];
    if (capacity > 0) memcpy(name, in.data, capacity);

    size_t end = find_folder_end(name, capacity, is_lead_byte);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name);
    expect_equal(static_cast<long long>(reference_folder_end(bytes, capacity, is_lead_byte)),
                 static_cast<long long>(end), "folder end");
    expect_true(end == 0 || end < capacity, "the folder end lies within the capacity");
    expect_true(end == 0 || name[end] == '\\' || name[end] == '/',
                "the folder ends at a separator");
    delete[] name;
    return 0;
}
