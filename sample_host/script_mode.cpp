// The scripted run's worker: waits for the dialog, captures it, outputs a row.
#include "sample_host/script_mode.h"

#include <stdio.h>

#include "resources/resource_ids.h"
#include "sample_host/dialog_probe.h"
#include "sample_host/screen_capture.h"
#include "sample_host/script_report.h"

namespace {

// Bounds on every wait, so that a headless run always ends.
constexpr DWORD DIALOG_WAIT_MS = 10000;
constexpr DWORD PAINT_SETTLE_MS = 700;
constexpr DWORD OUTPUT_WAIT_MS = 10000;
constexpr DWORD ERROR_BOX_GRACE_MS = 1500;
constexpr DWORD CLOSE_WAIT_MS = 5000;
constexpr DWORD POLL_MS = 50;
const char ERROR_CAPTION[] = "Error";
const char CSV_FILE_NAME[] = "tq7_sheet.csv";

// Filled by the worker; read by the window thread only after the worker
// posted WM_APP_SCRIPT_FINISHED.
ScriptReport g_report;

struct FileStamp {
    bool exists = false;
    FILETIME written = {};
    DWORD size = 0;
};

FileStamp stamp_of(const std::string& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.written = data.ftLastWriteTime;
        stamp.size = data.nFileSizeLow;
    }
    return stamp;
}

bool changed(const FileStamp& before, const FileStamp& now) {
    if (!now.exists) return false;
    if (!before.exists) return true;
    return CompareFileTime(&before.written, &now.written) != 0 || before.size != now.size;
}

std::string out_path(const HostOptions& options, const char* name) {
    std::string path = options.script_dir;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    return path + name;
}

std::string out_path(const HostSession& session, const char* name) { return out_path(session.options, name); }

bool write_report(const HostOptions& options) {
    CreateDirectoryA(options.script_dir.c_str(), nullptr);
    const std::string text = compose_script_report(g_report);
    FILE* file = fopen(out_path(options, "report.txt").c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

std::string read_file(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

void fail(const std::string& why) { g_report.failures.push_back(why); }

// Dismisses every "Error" box owned by the dialog or the main window,
// keeping their texts for the report; true when one was found.
bool dismiss_error_boxes(HWND main_window, HWND dialog) {
    bool found = false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        HWND box = find_owned_dialog(dialog, ERROR_CAPTION, nullptr);
        if (box == nullptr) box = find_owned_dialog(main_window, ERROR_CAPTION, nullptr);
        if (box == nullptr) break;
        found = true;
        g_report.error_boxes.push_back(message_box_text(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (DWORD waited = 0; IsWindow(box) && waited < CLOSE_WAIT_MS; waited += POLL_MS) Sleep(POLL_MS);
    }
    return found;
}

HWND wait_for_dialog(HostSession& session) {
    // The command may already be over (the host answered, the plug-in
    // refused): then no dialog is coming.
    for (DWORD waited = 0; waited < DIALOG_WAIT_MS; waited += POLL_MS) {
        HWND dialog = find_owned_dialog(session.main_window, nullptr, ERROR_CAPTION);
        if (dialog != nullptr) return dialog;
        if (session.commands_started > 0 && !session.command_running && waited > 1000) break;
        Sleep(POLL_MS);
    }
    return nullptr;
}

// Selects the row, presses Output and waits until the plug-in has written
// the CSV and any error box it showed is dismissed.
void output_row(HostSession& session, HWND dialog, const std::string& csv_path) {
    const int row = session.options.output_row;
    HWND list = GetDlgItem(dialog, IDC_SET_LIST);
    HWND output_button = GetDlgItem(dialog, IDC_OUTPUT);
    if (list == nullptr || output_button == nullptr) return fail("the dialog has no set list or Output button");
    if (row >= static_cast<int>(g_report.rows.size())) return fail("the list has no row " + std::to_string(row));

    const FileStamp before = stamp_of(csv_path);
    SendMessageA(list, LB_SETCURSEL, row, 0);
    // The dialog learns of the new selection as it would from a click.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SET_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Sleep(PAINT_SETTLE_MS);
    save_window_bmp(dialog, out_path(session, "dialog_selected.bmp"));
    // Posted, not sent: the plug-in may show a modal error box in the handler.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OUTPUT, BN_CLICKED), reinterpret_cast<LPARAM>(output_button));

    DWORD written_at = 0;
    for (DWORD waited = 0; waited < OUTPUT_WAIT_MS; waited += POLL_MS) {
        dismiss_error_boxes(session.main_window, dialog);
        if (!g_report.csv_written && changed(before, stamp_of(csv_path))) {
            g_report.csv_written = true;
            written_at = waited;
        }
        // Once written, watch a little longer for the workbook's error box.
        if (g_report.csv_written && waited - written_at >= ERROR_BOX_GRACE_MS) break;
        Sleep(POLL_MS);
    }
    if (!g_report.csv_written) return fail("the plug-in wrote no " + std::string(CSV_FILE_NAME));

    const std::string csv = read_file(csv_path);
    g_report.csv_matches_text = csv == last_text_handed_out();
    g_report.csv_copied = CopyFileA(csv_path.c_str(), out_path(session, CSV_FILE_NAME).c_str(), FALSE) != 0;
    if (!g_report.csv_copied) fail("cannot copy the CSV to the output folder");
    if (!g_report.csv_matches_text) fail("the CSV differs from the text the host handed out");
}

void close_dialog(HostSession& session, HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    for (DWORD waited = 0; waited < CLOSE_WAIT_MS; waited += POLL_MS) {
        dismiss_error_boxes(session.main_window, dialog);
        if (!IsWindow(dialog) && !session.command_running) break;
        Sleep(POLL_MS);
    }
    g_report.dialog_closed = !IsWindow(dialog);
    if (!g_report.dialog_closed) fail("the dialog did not close on IDCANCEL");
}

DWORD WINAPI script_worker(void* context) {
    HostSession& session = *static_cast<HostSession*>(context);
    // The host as the user meets it: the menu bar and the module's caption.
    Sleep(PAINT_SETTLE_MS);
    save_window_bmp(session.main_window, out_path(session, "host.bmp"));
    PostMessageA(session.main_window, WM_COMMAND, MAKEWPARAM(ID_PLUGIN_COMMAND, 0), 0);
    HWND dialog = wait_for_dialog(session);
    g_report.dialog_found = dialog != nullptr;
    if (dialog == nullptr) {
        fail("no dialog appeared");
        PostMessageA(session.main_window, WM_APP_SCRIPT_FINISHED, 1, 0);
        return 0;
    }
    g_report.dialog_caption = window_caption(dialog);
    Sleep(PAINT_SETTLE_MS);
    dismiss_error_boxes(session.main_window, dialog);
    g_report.screenshot_saved = save_window_bmp(dialog, out_path(session, "dialog.bmp"));
    if (!g_report.screenshot_saved) fail("cannot save the screenshot");

    HWND list = GetDlgItem(dialog, IDC_SET_LIST);
    if (list != nullptr) g_report.rows = list_box_rows(list);
    if (session.options.output_row >= 0) output_row(session, dialog, folder_of(session.plugin.path) + CSV_FILE_NAME);
    close_dialog(session, dialog);
    PostMessageA(session.main_window, WM_APP_SCRIPT_FINISHED, 0, 0);
    return 0;
}

void fill_module_facts(const HostSession& session) {
    g_report.module_path = session.plugin.path;
    g_report.module_loaded = session.plugin_loaded;
    g_report.load_error = session.plugin.error;
    g_report.caption = session.plugin.caption;
    g_report.entry_name = session.plugin.entry_name;
    g_report.initialize_result = session.plugin.initialize_result;
    g_report.info_record_kept = session.plugin.host_bytes_kept;
    g_report.third_text_empty = session.plugin.third_text.empty();
    g_report.next_info_result = session.plugin.next_info_result;
    g_report.output_row = session.options.output_row;
}

}  // namespace

bool start_scripted_run(HostSession& session) {
    CreateDirectoryA(session.options.script_dir.c_str(), nullptr);
    HANDLE worker = CreateThread(nullptr, 0, script_worker, &session, 0, nullptr);
    if (worker == nullptr) return false;
    CloseHandle(worker);
    return true;
}

void report_refused_options(const HostOptions& options) {
    g_report.output_row = options.output_row;
    fail("refused command line: " + options.error + " (usage: " + host_usage_text() + ")");
    write_report(options);
}

void finish_scripted_run(HostSession& session, int worker_code) {
    fill_module_facts(session);
    if (!session.plugin_loaded) fail("the module did not load: " + session.plugin.error);
    g_report.command_result = session.last_command_result;
    g_report.counts = ledger_counts();
    if (g_report.counts.outstanding() > 0) {
        fail(std::to_string(g_report.counts.outstanding()) + " text(s) handed out were never released");
    }
    if (g_report.counts.unknown_releases > 0) fail("the plug-in released pointers the host never gave out");
    if (worker_code != 0 && g_report.failures.empty()) fail("the scripted run stopped early");

    const bool written = write_report(session.options);
    session.exit_code = g_report.failures.empty() && written ? 0 : 1;
    // Still inside the plug-in's modal loop (the dialog never closed): the
    // window cannot be taken down from under it, so leave at once.
    if (session.command_running) ExitProcess(static_cast<UINT>(session.exit_code));
    DestroyWindow(session.main_window);
}
