// The module entry and the three functions that the host calls.
#include <windows.h>

#include "host/host_messages.h"
#include "plugin/module_state.h"
#include "plugin/plugin_info.h"
#include "plugin/text_fetch.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/sheet_dialog.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) plugin_attach(instance);
    return TRUE;
}

extern "C" int WINAPI get_plugin_info(int, int index, PluginInfo* info) {
    // Only index 0 describes a command; the module has no other.
    if (index != 0) return 0;
    lstrcpyA(info->menu_caption, fetch_string(IDS_MENU_CAPTION));
    lstrcpyA(info->entry_name, "tq7_sheet");
    lstrcpyA(info->third_text, "");
    return 1;
}

extern "C" int WINAPI tq7_sheet_initialize(int, int) {
    return 4;
}

extern "C" int WINAPI tq7_sheet(HWND host_window, int, int, int) {
    LRESULT set_list = SendMessageA(host_window, HOSTMSG_GET_SET_LIST, 0, 0);
    if (set_list == 0) return 0;
    DialogBoxParamA(module_instance, MAKEINTRESOURCEA(IDD_SHEET_OUTPUT), host_window,
                    sheet_dialog_proc, set_list);
    return 1;
}
