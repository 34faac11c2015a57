// The output of the selected set and the report of a failed launch.
#include "sheet_dialog/sheet_output.h"

#include "host/host_messages.h"
#include "plugin/module_state.h"
#include "plugin/text_fetch.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/error_message.h"
#include "sheet_dialog/sheet_row.h"

int append_system_error(DWORD code, char* dest, DWORD room) {
    if (dest == nullptr) return 0;
    if (room == 0) return 1;
    dest[0] = '\0';
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, dest, room, nullptr);
    // A text that did not fit is left out rather than shown in part.
    if (length == 0) dest[0] = '\0';
    return 1;
}

static void show_launch_error(HWND dialog) {
    char message[256];
    lstrcpyA(message, fetch_string(IDS_EXCEL_FAILED));
    int head_length = lstrlenA(message);
    // Read once the head is loaded and copied: those calls leave the shell's
    // error in place when they succeed.
    DWORD code = GetLastError();
    TextRoom room = room_after_head(static_cast<size_t>(head_length), sizeof(message));
    append_system_error(code, message + room.offset, static_cast<DWORD>(room.size));
    MessageBoxA(dialog, message, "Error", MB_ICONERROR);
}

static void return_text(HWND dialog, const char* text) {
    SendMessageA(GetParent(dialog), HOSTMSG_FREE_SHEET_CSV, 0, reinterpret_cast<LPARAM>(text));
}

void output_selected_set(HWND dialog) {
    LRESULT selection = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCURSEL, 0, 0);
    if (selection == LB_ERR) return;
    LRESULT data = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETITEMDATA, selection, 0);
    if (data == 0 || data == LB_ERR) return;
    const SheetRow* row = reinterpret_cast<const SheetRow*>(data);

    // A leg row outputs the whole set it belongs to.
    const char* text = reinterpret_cast<const char*>(SendMessageA(
        GetParent(dialog), HOSTMSG_GET_SHEET_CSV, 0, reinterpret_cast<LPARAM>(row->row_set)));
    if (text == nullptr) return;

    HANDLE file = CreateFileA(csv_path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) {
        return_text(dialog, text);
        return;
    }
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
    CloseHandle(file);
    // The file is complete and closed before the host gets its text back.
    return_text(dialog, text);

    HINSTANCE result = ShellExecuteA(dialog, nullptr, workbook_path, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) show_launch_error(dialog);
}
