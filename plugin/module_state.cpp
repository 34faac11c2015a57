// The module-wide state and its derivation at process attach.
#include "plugin/module_state.h"

#include "plugin/folder_scan.h"

HINSTANCE module_instance;
char csv_path[MAX_PATH];
char workbook_path[MAX_PATH];

static int system_lead_byte(unsigned char byte) {
    return IsDBCSLeadByte(byte) ? 1 : 0;
}

void plugin_attach(HINSTANCE instance) {
    module_instance = instance;

    // Zero-filled, so a call that fails leaves an empty name rather than
    // whatever the stack held; one byte is kept back so the name always ends.
    char name[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(instance, name, MAX_PATH - 1);
    // A name as long as the room given was cut short: its folder is not ours.
    int name_was_cut = length >= MAX_PATH - 1 ? 1 : 0;
    derive_sheet_paths(name, MAX_PATH - 1, name_was_cut, system_lead_byte, csv_path,
                       workbook_path, MAX_PATH);
}
