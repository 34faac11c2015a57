// Finding the module's folder in its file name and composing the two paths
// beside it. Plain bytes only, so it builds and is tested without the platform.
#pragma once
#include <stddef.h>

// Answers 1 when the byte is the first of a double-byte character in the
// system's ANSI code page.
typedef int (*LeadBytePredicate)(unsigned char byte);

// Index of the last folder separator ('\\' or '/') in name, reading at most
// capacity bytes and stopping at the first NUL; 0 when there is none. The
// second byte of a double-byte character is never taken for a separator.
size_t find_folder_end(const char* name, size_t capacity, LeadBytePredicate is_lead_byte);

// Writes folder, a backslash and file_name into out. When that does not fit in
// out_size bytes with its terminator, out becomes the empty text and 0 comes
// back: a path cut short would name some other file.
int compose_path(char* out, size_t out_size, const char* folder, size_t folder_length,
                 const char* file_name);

// Derives both paths from the module's file name as the platform returned it.
// Every folder of 245 bytes or less fits both paths; a longer one leaves them
// empty, and so does a name that the platform could not give whole.
void derive_sheet_paths(const char* name, size_t capacity, int name_was_cut,
                        LeadBytePredicate is_lead_byte, char* csv_path,
                        char* workbook_path, size_t path_size);
