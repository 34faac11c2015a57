// Window searches for the scripted run: owned dialogs, message boxes, list rows.
#include "sample_host/dialog_probe.h"

#include <stdio.h>
#include <string.h>

namespace {

constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;  // the text control of a system message box

struct DialogSearch {
    HWND owner;
    const char* caption;
    const char* skip_caption;
    HWND found;
};

bool is_dialog_class(HWND window) {
    char class_name[64] = {};
    GetClassNameA(window, class_name, sizeof(class_name));
    return strcmp(class_name, "#32770") == 0;
}

BOOL CALLBACK check_top_level_window(HWND window, LPARAM context) {
    DialogSearch& search = *reinterpret_cast<DialogSearch*>(context);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    if (process_id != GetCurrentProcessId()) return TRUE;
    if (GetWindow(window, GW_OWNER) != search.owner) return TRUE;
    if (!IsWindowVisible(window) || !is_dialog_class(window)) return TRUE;
    const std::string caption = window_caption(window);
    if (search.caption != nullptr && caption != search.caption) return TRUE;
    if (search.skip_caption != nullptr && caption == search.skip_caption) return TRUE;
    search.found = window;
    return FALSE;
}

BOOL CALLBACK collect_static_text(HWND child, LPARAM context) {
    std::string& text = *reinterpret_cast<std::string*>(context);
    char class_name[64] = {};
    GetClassNameA(child, class_name, sizeof(class_name));
    if (lstrcmpiA(class_name, "Static") != 0) return TRUE;
    const std::string piece = window_caption(child);
    if (piece.empty()) return TRUE;  // the icon
    if (!text.empty()) text += " | ";
    text += piece;
    return TRUE;
}

}  // namespace

HWND find_owned_dialog(HWND owner, const char* caption, const char* skip_caption) {
    if (owner == nullptr) return nullptr;
    DialogSearch search = {owner, caption, skip_caption, nullptr};
    EnumWindows(check_top_level_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string message_box_text(HWND box) {
    HWND text_control = GetDlgItem(box, MESSAGE_BOX_TEXT_ID);
    if (text_control != nullptr) {
        const std::string text = window_caption(text_control);
        if (!text.empty()) return text;
    }
    std::string collected;
    EnumChildWindows(box, collect_static_text, reinterpret_cast<LPARAM>(&collected));
    return collected;
}

std::vector<std::string> list_box_rows(HWND list) {
    std::vector<std::string> rows;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    const LONG style = GetWindowLongA(list, GWL_STYLE);
    const bool keeps_strings = (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) == 0 || (style & LBS_HASSTRINGS);
    for (LRESULT i = 0; i < count; ++i) {
        if (!keeps_strings) {
            char data[32];
            snprintf(data, sizeof(data), "(item data 0x%08lx)",
                     static_cast<unsigned long>(SendMessageA(list, LB_GETITEMDATA, i, 0)));
            rows.push_back(data);
            continue;
        }
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
        if (length == LB_ERR || length < 0) {
            rows.push_back("(unreadable)");
            continue;
        }
        std::string row(static_cast<size_t>(length) + 1, '\0');
        const LRESULT got = SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
        row.resize(got > 0 ? static_cast<size_t>(got) : 0);
        rows.push_back(row);
    }
    return rows;
}

std::string window_caption(HWND window) {
    // Bounded: the window's thread may be busy inside the plug-in just then.
    char text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    text[sizeof(text) - 1] = '\0';
    return text;
}
