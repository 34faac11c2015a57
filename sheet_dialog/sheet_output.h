// The output of the selected set: the host's CSV text to the file beside the
// module, then the workbook through the shell.
#pragma once
#include <windows.h>

void output_selected_set(HWND dialog);

// Writes the system's text for code at dest, in at most room bytes with its
// terminator; dest stays empty when the system has no text for the code or the
// text does not fit. Insert markers such as "%1" are shown as they stand.
// Returns 0 for a null dest, otherwise 1.
int append_system_error(DWORD code, char* dest, DWORD room);
