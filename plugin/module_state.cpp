// The module-wide state and its derivation at process attach.
#include "plugin/module_state.h"

#include "plugin/folder_scan.h"

HINSTANCE module_instance;
char csv_path[MAX_PATH];
char workbook_path[MAX_PATH];

// The longest name the platform can give: 32,767 characters of a long path,
// each at most two bytes in the ANSI code page, and the terminator.
static const DWORD LONGEST_NAME_SIZE = 65536;

static int system_lead_byte(unsigned char byte) {
    return IsDBCSLeadByte(byte) ? 1 : 0;
}

// Asks for the module's file name with room for size - 1 bytes, keeping the
// last byte of the zero-filled buffer back so the name always ends. The
// platform answers the room given when it had to cut the name (without a
// terminator on older systems); 1 when the name came whole.
static int read_module_name(HINSTANCE instance, char* name, DWORD size) {
    return GetModuleFileNameA(instance, name, size - 1) < size - 1 ? 1 : 0;
}

void plugin_attach(HINSTANCE instance) {
    module_instance = instance;

    // A call that fails leaves an empty name rather than whatever the stack held.
    char first[MAX_PATH] = {};
    if (read_module_name(instance, first, MAX_PATH)) {
        derive_sheet_paths(first, MAX_PATH - 1, 0, system_lead_byte, csv_path, workbook_path,
                           MAX_PATH);
        return;
    }
    // Cut short, the name may still hold a folder that fits the paths (the
    // cut can fall inside the file name): ask again with room for all of it.
    HANDLE heap = GetProcessHeap();
    for (DWORD size = 1024; size <= LONGEST_NAME_SIZE; size *= 2) {
        char* name = static_cast<char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, size));
        if (name == nullptr) break;
        if (read_module_name(instance, name, size)) {
            derive_sheet_paths(name, size - 1, 0, system_lead_byte, csv_path, workbook_path,
                               MAX_PATH);
            HeapFree(heap, 0, name);
            return;
        }
        HeapFree(heap, 0, name);
    }
    derive_sheet_paths(first, MAX_PATH - 1, 1, system_lead_byte, csv_path, workbook_path, MAX_PATH);
}
