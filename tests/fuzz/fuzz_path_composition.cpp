// The path composition over any folder, file name and buffer size, and the
// derivation of both paths from any module name: a path is either empty or
// exactly folder, backslash, file name, and nothing is written or read past
// any buffer (each lies on the heap at exactly its size).
#include "plugin/folder_scan.h"
#include "tests/fuzz/fuzz_support.h"

static char* heap_copy(const uint8_t* bytes, size_t length, size_t size) {
    char* copy = new char[size];
    if (length > 0) memcpy(copy, bytes, length);
    return copy;
}

// Folders and file names are texts: a NUL inside one becomes another byte.
static void replace_nul(char* bytes, size_t length, char replacement) {
    for (size_t i = 0; i < length; ++i)
        if (bytes[i] == '\0') bytes[i] = replacement;
}

// A NUL-free file name of up to 63 bytes from the input.
static char* take_file_name(FuzzInput* in) {
    size_t length = take_u8(in) % 64;
    if (length > in->size) length = in->size;
    char* file_name = heap_copy(in->data, length, length + 1);
    replace_nul(file_name, length, 'n');
    file_name[length] = '\0';
    in->data += length;
    in->size -= length;
    return file_name;
}

// path is empty, or folder, a backslash and file_name, within path_size bytes.
static void expect_path(const char* path, size_t path_size, bool composed, const char* folder,
                        size_t folder_length, const char* file_name, const char* what) {
    if (path_size == 0) return;
    size_t length = strnlen(path, path_size);
    expect_true(length < path_size, what);
    if (!composed) {
        expect_equal(0, static_cast<long long>(length), what);
        return;
    }
    size_t file_length = strlen(file_name);
    expect_equal(static_cast<long long>(folder_length + 1 + file_length),
                 static_cast<long long>(length), what);
    expect_true(memcmp(path, folder, folder_length) == 0, what);
    expect_equal('\\', path[folder_length], what);
    expect_true(memcmp(path + folder_length + 1, file_name, file_length) == 0, what);
}

static void fuzz_compose(FuzzInput* in) {
    size_t out_size = take_u16(in) % 600;
    size_t folder_length = take_u16(in) % 600;
    char* file_name = take_file_name(in);
    size_t available = folder_length < in->size ? folder_length : in->size;
    char* folder = heap_copy(in->data, available, folder_length);
    replace_nul(folder, available, 'f');
    if (folder_length > available) memset(folder + available, 'f', folder_length - available);
    in->data += available;
    in->size -= available;

    char* out = new char[out_size];
    int composed = compose_path(out, out_size, folder, folder_length, file_name);
    bool fits = out_size > 0 && folder_length + 1 + strlen(file_name) + 1 <= out_size;
    expect_equal(fits ? 1 : 0, composed, "composed exactly when the path fits");
    expect_path(out, out_size, composed != 0, folder, folder_length, file_name, "composed path");
    delete[] out;
    delete[] folder;
    delete[] file_name;
}

static void fuzz_derive(FuzzInput* in) {
    uint8_t mode = take_u8(in);
    int name_was_cut = mode & 1;
    LeadBytePredicate is_lead_byte = (mode & 2) ? shift_jis_lead : no_lead;
    // Mostly the module's own 260 bytes, sometimes any size.
    size_t path_size = (mode & 4) ? take_u16(in) % 600 : 260;
    size_t capacity = in->size;
    char* name = heap_copy(in->data, capacity, capacity);
    char* csv = new char[path_size];
    char* workbook = new char[path_size];
    derive_sheet_paths(name, capacity, name_was_cut, is_lead_byte, csv, workbook, path_size);

    size_t folder_length = find_folder_end(name, capacity, is_lead_byte);
    // The folder and its separator, the 13 bytes of either file name and the terminator.
    bool fits = !name_was_cut && folder_length + 15 <= path_size;
    expect_path(csv, path_size, fits, name, folder_length, "tq7_sheet.csv", "csv path");
    expect_path(workbook, path_size, fits, name, folder_length, "tq7_sheet.xls", "workbook path");
    delete[] workbook;
    delete[] csv;
    delete[] name;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in = {data, size};
    if (take_u8(&in) & 1)
        fuzz_derive(&in);
    else
        fuzz_compose(&in);
    return 0;
}
