// The main window's procedure: runs the plug-in command and answers its messages.
#include "sample_host/host_window.h"

#include <stdio.h>

#include "host/host_messages.h"
#include "sample_host/sample_sets.h"
#include "sample_host/script_mode.h"
#include "sample_host/sheet_csv.h"
#include "sample_host/text_ledger.h"

namespace {

const char WINDOW_CLASS[] = "Tq7SampleHostWindow";
constexpr int STATUS_MARGIN = 8;

HostSession g_session;

HMENU build_menu(const HostSession& session) {
    HMENU file_menu = CreatePopupMenu();
    AppendMenuA(file_menu, MF_STRING, ID_FILE_EXIT, "E&xit");
    HMENU plugin_menu = CreatePopupMenu();
    if (session.plugin_loaded) {
        AppendMenuA(plugin_menu, MF_STRING, ID_PLUGIN_COMMAND, session.plugin.caption.c_str());
    } else {
        AppendMenuA(plugin_menu, MF_STRING | MF_GRAYED, ID_PLUGIN_COMMAND, "(no module loaded)");
    }
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file_menu), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(plugin_menu), "&Plug-ins");
    return bar;
}

void run_plugin_command(HostSession& session) {
    if (!session.plugin_loaded || session.command_running) return;
    InterlockedExchange(&session.command_running, 1);
    ++session.commands_started;
    session.last_command_result = -1;
    refresh_status_text();
    // Modal: returns when the plug-in's dialog has closed.
    session.last_command_result = session.plugin.command(session.main_window, 0, 0, 0);
    InterlockedExchange(&session.command_running, 0);
    refresh_status_text();
}

// Leaves, telling the user about texts the plug-in never gave back; the
// exit code says so too.
void close_host_window(HostSession& session) {
    // Closing while the plug-in's dialog is up would pull the window from
    // under it.
    if (session.command_running) return;
    const LedgerCounts counts = ledger_counts();
    if (counts.outstanding() > 0 && session.options.script_dir.empty()) {
        char text[160];
        snprintf(text, sizeof(text), "%d text(s) handed to the plug-in were never released.", counts.outstanding());
        MessageBoxA(session.main_window, text, "Sample Host", MB_OK | MB_ICONWARNING);
    }
    DestroyWindow(session.main_window);
}

LRESULT answer_sheet_request(LPARAM record_address) {
    const HostSetRecord* set = find_sample_set(reinterpret_cast<const void*>(record_address));
    if (set == nullptr) {
        note_refused_request();
        refresh_status_text();
        return 0;
    }
    char* text = hand_out_text(compose_sheet_csv(*set, is_current_sample_set(set)));
    refresh_status_text();
    return reinterpret_cast<LRESULT>(text);
}

LRESULT CALLBACK host_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    HostSession& session = g_session;
    switch (message) {
    case HOSTMSG_GET_SET_LIST:
        return reinterpret_cast<LRESULT>(sample_set_list());
    case HOSTMSG_GET_SHEET_CSV:
        return answer_sheet_request(lparam);
    case HOSTMSG_FREE_SHEET_CSV:
        release_text(reinterpret_cast<const void*>(lparam));
        refresh_status_text();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wparam) == ID_PLUGIN_COMMAND) run_plugin_command(session);
        if (LOWORD(wparam) == ID_FILE_EXIT) close_host_window(session);
        return 0;
    case WM_APP_SCRIPT_FINISHED:
        finish_scripted_run(session, static_cast<int>(wparam));
        return 0;
    case WM_SIZE:
        if (session.status_text != nullptr) {
            MoveWindow(session.status_text, STATUS_MARGIN, STATUS_MARGIN, LOWORD(lparam) - 2 * STATUS_MARGIN,
                       HIWORD(lparam) - 2 * STATUS_MARGIN, TRUE);
        }
        return 0;
    case WM_CLOSE:
        close_host_window(session);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(session.exit_code);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

HostSession& host_session() { return g_session; }

HWND create_host_window(HINSTANCE instance) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = host_window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = WINDOW_CLASS;
    if (RegisterClassA(&window_class) == 0) return nullptr;

    HostSession& session = g_session;
    HWND window = CreateWindowExA(0, WINDOW_CLASS, "Sample Host", WS_OVERLAPPEDWINDOW, 40, 40, 640, 260, nullptr,
                                  build_menu(session), instance, nullptr);
    if (window == nullptr) return nullptr;
    session.main_window = window;
    session.status_text = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, STATUS_MARGIN,
                                          STATUS_MARGIN, 600, 200, window, nullptr, instance, nullptr);
    SendMessageA(session.status_text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    refresh_status_text();
    return window;
}

void refresh_status_text() {
    const HostSession& session = g_session;
    if (session.status_text == nullptr) return;
    const LedgerCounts counts = ledger_counts();
    char text[2048];
    if (session.plugin_loaded) {
        snprintf(text, sizeof(text),
                 "Module loaded: %s\r\nMenu caption: %s\r\nInitialize returned %d\r\n"
                 "Commands run: %d, last returned: %d\r\n"
                 "Texts handed out: %d, released: %d, still out: %d\r\n"
                 "Refused requests: %d, unknown releases: %d",
                 session.plugin.path.c_str(), session.plugin.caption.c_str(), session.plugin.initialize_result,
                 session.commands_started, session.last_command_result, counts.handed_out, counts.released,
                 counts.outstanding(), counts.refused_requests, counts.unknown_releases);
    } else {
        snprintf(text, sizeof(text), "No module loaded: %s", session.plugin.error.c_str());
    }
    SetWindowTextA(session.status_text, text);
}
