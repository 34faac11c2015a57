// Finding the module's folder in its file name and composing the two paths.
#include "plugin/folder_scan.h"

#include <string.h>

size_t find_folder_end(const char* name, size_t capacity, LeadBytePredicate is_lead_byte) {
    size_t remembered = 0;
    size_t i = 0;
    while (i < capacity && name[i] != '\0') {
        unsigned char byte = static_cast<unsigned char>(name[i]);
        if (is_lead_byte(byte)) {
            // The trail byte may be 0x5C; a lead byte right before the end
            // (or the terminator) ends the scan.
            if (i + 1 >= capacity || name[i + 1] == '\0') break;
            i += 2;
            continue;
        }
        if (byte == '\\' || byte == '/') remembered = i;
        ++i;
    }
    return remembered;
}

int compose_path(char* out, size_t out_size, const char* folder, size_t folder_length,
                 const char* file_name) {
    size_t file_length = strlen(file_name);
    if (out_size == 0) return 0;
    if (folder_length + 1 + file_length + 1 > out_size) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, folder, folder_length);
    out[folder_length] = '\\';
    memcpy(out + folder_length + 1, file_name, file_length + 1);
    return 1;
}

void derive_sheet_paths(const char* name, size_t capacity, int name_was_cut,
                        LeadBytePredicate is_lead_byte, char* csv_path,
                        char* workbook_path, size_t path_size) {
    if (path_size == 0) return;
    if (name_was_cut) {
        csv_path[0] = '\0';
        workbook_path[0] = '\0';
        return;
    }
    size_t folder_length = find_folder_end(name, capacity, is_lead_byte);
    compose_path(csv_path, path_size, name, folder_length, "tq7_sheet.csv");
    compose_path(workbook_path, path_size, name, folder_length, "tq7_sheet.xls");
}
