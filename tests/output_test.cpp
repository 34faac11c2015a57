// The output of a set through the real module in Wine: what is left alone when
// there is nothing to output, the CSV file's bytes, the order of file, release
// and launch, the launch through the .xls association, the error box, and the
// composition of the system's text in the error message, all through the
// loaded module.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/fixture_host.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/temp_folder.h"

namespace {

const DWORD WAIT_MS = 10000;
// How long a launch that should not happen is given to show in the log anyway.
const DWORD NO_LAUNCH_GRACE_MS = 1000;
const char RECORDER_LOG_VARIABLE[] = "TQ7_RECORDER_LOG";
const char RECORDER_GATE_VARIABLE[] = "TQ7_RECORDER_GATE";
const char XLS_KEY[] = "Software\\Classes\\.xls";
const char PROG_ID[] = "tq7test.workbook";
// A class that .xls can name while nothing is registered under it.
const char UNREGISTERED_PROG_ID[] = "tq7test.unregistered";

// IDS_EXCEL_FAILED in each language, as the module's code page gives it.
const char HEAD_1252[] = "Failed in the execution of Excel.\n\n";
const char HEAD_932[] =
    "\x83\x47\x83\x4e\x83\x5a\x83\x8b\x82\xcc\x8b\x4e\x93\xae\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82"
    "\xdc\x82\xb5\x82\xbd\x81\x42\n\n";

const char* launch_error_head() {
    return GetACP() == 932 ? HEAD_932 : HEAD_1252;
}

// The rows that the fixture's sets give: set 1 with two legs, set 2 with three,
// then the open current set 3 with one.
enum Row {
    ROW_SET_1 = 0,
    ROW_SET_1_LEG_2 = 2,
    ROW_SET_2 = 3,
    ROW_SET_2_LEG_2 = 5,
    ROW_SET_3 = 7,
    ROW_SET_3_LEG_1 = 8,
    ROW_COUNT = 9
};

std::string system_text(DWORD code) {
    char text[1024] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof(text), nullptr);
    return std::string(text, length);
}

std::string printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char piece[8];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(piece, sizeof(piece), "\\x%02X", c);
            out += piece;
        }
    }
    return out;
}

bool file_exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// --- The .xls association in the test's own prefix.

bool read_default_value(const char* key_name, std::string* value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char data[1024] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return false;
    *value = data;
    return true;
}

bool write_default_value(const std::string& key_name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void delete_prog_id() {
    const std::string base = std::string("Software\\Classes\\") + PROG_ID;
    for (const char* below : {"\\shell\\open\\command", "\\shell\\open", "\\shell", ""})
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (base + below).c_str());
}

// What .xls was before the test, so that it can be put back.
struct XlsAssociation {
    bool key_existed = false;
    bool had_default = false;
    std::string previous_default;
};

void save_xls(XlsAssociation* saved) {
    HKEY key;
    saved->key_existed = RegOpenKeyExA(HKEY_LOCAL_MACHINE, XLS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (saved->key_existed) RegCloseKey(key);
    saved->had_default = read_default_value(XLS_KEY, &saved->previous_default);
}

// Points .xls at the test's class, whose open command runs the recorder.
bool associate_xls_with_recorder() {
    std::string command = "\"" + program_folder() + "\\launch_recorder.exe\" \"%1\"";
    return write_default_value(std::string("Software\\Classes\\") + PROG_ID + "\\shell\\open\\command",
                               command) &&
           write_default_value(XLS_KEY, PROG_ID);
}

// Leaves .xls naming a class that has no command at all.
bool dissociate_xls() {
    return write_default_value(XLS_KEY, UNREGISTERED_PROG_ID);
}

void restore_xls(const XlsAssociation& saved) {
    delete_prog_id();
    if (saved.had_default) {
        write_default_value(XLS_KEY, saved.previous_default);
        return;
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, XLS_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, nullptr);
        RegCloseKey(key);
    }
    if (!saved.key_existed) RegDeleteKeyA(HKEY_LOCAL_MACHINE, XLS_KEY);
}

// --- The recorder's log: one command line per launch.

std::vector<std::string> recorder_lines(const std::string& log) {
    std::vector<std::string> lines;
    HANDLE file = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lines;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    // Only complete lines count: a launch still writing is not seen yet.
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}

// Waits at most timeout_ms for the log to hold count lines; the lines seen last.
std::vector<std::string> wait_for_recorder_lines(const std::string& log, size_t count,
                                                 DWORD timeout_ms) {
    DWORD start = GetTickCount();
    std::vector<std::string> lines = recorder_lines(log);
    while (lines.size() < count && GetTickCount() - start < timeout_ms) {
        Sleep(20);
        lines = recorder_lines(log);
    }
    return lines;
}

// Recorders that this process launched and that are still running.
int running_recorders() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId() &&
            lstrcmpiA(entry.szExeFile, "launch_recorder.exe") == 0)
            ++count;
    CloseHandle(snapshot);
    return count;
}

// --- Driving the dialog.

// What must not change when an output does nothing.
struct DialogState {
    bool open;
    LRESULT selection;
    bool output_enabled;
};

DialogState dialog_state(HWND dialog) {
    DialogState state;
    state.open = IsWindow(dialog) && IsWindowVisible(dialog);
    state.selection = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCURSEL, 0, 0);
    state.output_enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_OUTPUT)) != FALSE;
    return state;
}

void expect_same_state(const DialogState& before, const DialogState& after, const char* what) {
    EXPECT_TRUE(after.open) << what << ": the dialog should stay open";
    EXPECT_EQ(before.selection, after.selection) << what << ": the selection should not move";
    EXPECT_EQ(before.output_enabled, after.output_enabled)
        << what << ": \"Output\" should keep its enabled state";
}

DWORD ui_thread_of(HWND dialog) {
    return GetWindowThreadProcessId(dialog, nullptr);
}

BOOL CALLBACK find_other_dialog(HWND window, LPARAM parameter) {
    HWND* found = reinterpret_cast<HWND*>(parameter);
    char class_name[32] = {};
    GetClassNameA(window, class_name, sizeof(class_name));
    if (window == found[0] || lstrcmpA(class_name, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    found[1] = window;
    return FALSE;
}

// Dismisses every box on the dialog's thread, whoever owns it, so that no test
// is left in a modal loop; how many there were.
int dismiss_boxes(HWND dialog) {
    int count = 0;
    for (; count <= 10; ++count) {
        HWND found[2] = {dialog, nullptr};
        EnumThreadWindows(ui_thread_of(dialog), find_other_dialog, reinterpret_cast<LPARAM>(found));
        if (found[1] == nullptr) break;
        PostMessageA(found[1], WM_COMMAND, IDOK, 0);
        if (!wait_until_destroyed(found[1], WAIT_MS)) PostMessageA(found[1], WM_CLOSE, 0, 0);
    }
    return count;
}

bool click_output(HWND dialog) {
    return send_bounded(dialog, WM_COMMAND, IDC_OUTPUT, 0, WAIT_MS);
}

void select_row(HWND dialog, int row) {
    SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

// The pieces of a message box that tell its kind.
struct BoxContent {
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // the visible buttons' identifiers
    HICON icon = nullptr;      // the visible icon static's icon
};

BOOL CALLBACK collect_box_child(HWND child, LPARAM parameter) {
    BoxContent* content = reinterpret_cast<BoxContent*>(parameter);
    if (!IsWindowVisible(child)) return TRUE;
    char class_name[32] = {};
    GetClassNameA(child, class_name, sizeof(class_name));
    if (lstrcmpiA(class_name, "Button") == 0) content->buttons.push_back(GetDlgCtrlID(child));
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(class_name, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
        content->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return TRUE;
}

BoxContent read_box(HWND box) {
    BoxContent content;
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof(caption));
    content.caption = caption;
    content.text = message_box_text(box);
    EnumChildWindows(box, collect_box_child, reinterpret_cast<LPARAM>(&content));
    return content;
}

// --- What the module's writes leave open to others: its import of WriteFile
// tries a second open of the CSV, with every share mode, before each write.

std::string watched_csv_path;
std::vector<DWORD> second_open_errors;  // per write: the open's error, 0 when it opened
decltype(&WriteFile) real_write_file = nullptr;

BOOL WINAPI write_after_second_open(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                                    LPOVERLAPPED overlapped) {
    HANDLE second = CreateFileA(watched_csv_path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    second_open_errors.push_back(second == INVALID_HANDLE_VALUE ? GetLastError() : 0);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    return real_write_file(file, data, size, written, overlapped);
}

// Exceptions raised in the module's own code, which raises none on purpose.
// The system ignores an exception in a message handler called back from it,
// so a fault there would otherwise show only as an output that did nothing.
struct ModuleFaults {
    const unsigned char* image_start = nullptr;
    const unsigned char* image_end = nullptr;
    volatile LONG count = 0;
    DWORD first_code = 0;
    const void* first_address = nullptr;
};
ModuleFaults module_faults;

LONG CALLBACK note_module_fault(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    const unsigned char* address = static_cast<const unsigned char*>(record->ExceptionAddress);
    if (address >= module_faults.image_start && address < module_faults.image_end &&
        InterlockedIncrement(&module_faults.count) == 1) {
        module_faults.first_code = record->ExceptionCode;
        module_faults.first_address = address;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void watch_module_faults(HMODULE module) {
    const unsigned char* image = reinterpret_cast<const unsigned char*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + dos->e_lfanew);
    module_faults = ModuleFaults();
    module_faults.image_start = image;
    module_faults.image_end = image + nt->OptionalHeader.SizeOfImage;
}

// How an output is set off.
enum Trigger { BY_COMMAND, BY_OUTPUT_BUTTON, BY_ENTER_KEY, BY_DOUBLE_CLICK };

// Selection left as it is by a step.
const int KEEP_SELECTION = -2;

// One output in a script: the row selected, anything to arrange, the trigger;
// then the boxes it raised are dismissed, the CSV read, and after runs.
struct OutputStep {
    int select;
    Trigger trigger;
    int row;  // BY_DOUBLE_CLICK: the row double-clicked
    std::function<void(HWND dialog)> arrange;
    std::function<void(HWND dialog)> after;
};

struct StepSeen {
    bool delivered = false;
    bool keys_to_list = false;  // BY_ENTER_KEY: the focus, which got the keys, was the list
    int boxes = 0;
    std::string file;  // the CSV once the boxes were dismissed; empty when none
};

struct OutputsSeen {
    CommandRun run;
    std::vector<StepSeen> steps;
    std::vector<std::string> lines;  // launches logged when the dialog was closed
};

// Sets the output off as the user would; true when it was delivered.
bool trigger_output(HWND dialog, const OutputStep& step, StepSeen* seen) {
    HWND list = GetDlgItem(dialog, IDC_SET_LIST);
    switch (step.trigger) {
    case BY_COMMAND:
        return click_output(dialog);
    case BY_OUTPUT_BUTTON:
        return send_bounded(GetDlgItem(dialog, IDC_OUTPUT), BM_CLICK, 0, 0, WAIT_MS);
    case BY_ENTER_KEY: {
        // The key goes where the user's would: to the focus, the list at start.
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        HWND target = list;
        if (GetGUIThreadInfo(ui_thread_of(dialog), &info) && info.hwndFocus && IsChild(dialog, info.hwndFocus))
            target = info.hwndFocus;
        seen->keys_to_list = target == list;
        return PostMessageA(target, WM_KEYDOWN, VK_RETURN, 0x001C0001) &&
               PostMessageA(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
    }
    case BY_DOUBLE_CLICK: {
        RECT item = {};
        SendMessageA(list, LB_GETITEMRECT, step.row, reinterpret_cast<LPARAM>(&item));
        LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point) &&
               PostMessageA(list, WM_LBUTTONUP, 0, point) &&
               PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point) &&
               PostMessageA(list, WM_LBUTTONUP, 0, point);
    }
    }
    return false;
}

// The fixture: a module copy in a folder of its own, three sets, the host,
// and the association that runs the recorder.

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = make_temp_folder("tq7_output");
        ASSERT_FALSE(folder_.empty());
        ASSERT_TRUE(load_module_copy(folder_, &module_)) << "could not load " << built_module_path();
        char name[MAX_PATH] = {};
        GetModuleFileNameA(module_.handle, name, sizeof(name));
        std::string module_folder = name;
        module_folder.resize(module_folder.find_last_of('\\'));
        csv_path_ = module_folder + "\\tq7_sheet.csv";
        workbook_path_ = module_folder + "\\tq7_sheet.xls";
        log_path_ = folder_ + "\\launch.log";
        watched_csv_path = csv_path_;
        second_open_errors.clear();
        real_write_file = reinterpret_cast<decltype(&WriteFile)>(patch_import(
            module_.handle, "kernel32.dll", "WriteFile", reinterpret_cast<void*>(write_after_second_open)));
        ASSERT_NE(nullptr, real_write_file) << "the module's import of WriteFile";
        watch_module_faults(module_.handle);
        fault_handler_ = AddVectoredExceptionHandler(1, note_module_fault);
        SetEnvironmentVariableA(RECORDER_LOG_VARIABLE, log_path_.c_str());
        save_xls(&saved_xls_);
        associated_ = true;
        ASSERT_TRUE(associate_xls_with_recorder()) << "could not register .xls";
        // The association opens only a file that is there.
        ASSERT_TRUE(write_file_bytes(workbook_path_, "dummy workbook"));

        for (int i = 0; i < 2; ++i) legs_1_[i] = make_leg(i % 2, 10 + i);
        for (int i = 0; i < 3; ++i) legs_2_[i] = make_leg(i % 2, 20 + i);
        legs_3_[0] = make_leg(0, 30);
        stored_[0] = make_set(1, 2, legs_1_);
        stored_[1] = make_set(2, 3, legs_2_);
        current_ = make_set(3, 1, legs_3_);
        set_list_.stored_sets = stored_;
        set_list_.set_count = 2;
        set_list_.current_set = &current_;
    }
    void TearDown() override {
        if (fault_handler_) RemoveVectoredExceptionHandler(fault_handler_);
        EXPECT_EQ(0, module_faults.count) << "exceptions in the module's code, the first "
                                          << std::hex << module_faults.first_code << " at "
                                          << module_faults.first_address;
        if (associated_) restore_xls(saved_xls_);
        SetEnvironmentVariableA(RECORDER_LOG_VARIABLE, nullptr);
        SetEnvironmentVariableA(RECORDER_GATE_VARIABLE, nullptr);
        unload_module(&module_);
        remove_folder_tree(folder_);
    }

    void make_host(FixtureHost* host, const std::string& csv_text) {
        host->set_list = &set_list_;
        host->csv_text = csv_text;
        create_fixture_host(host, 100, 100, 700, 600);
    }

    // Opens the dialog, runs the steps in turn, waits at most WAIT_MS for
    // `launches` logged launches and closes the dialog.
    OutputsSeen run_outputs(FixtureHost* host, const std::vector<OutputStep>& steps, size_t launches) {
        OutputsSeen seen;
        seen.run = run_command(module_, host->window, [&](HWND dialog) {
            for (const OutputStep& step : steps) {
                StepSeen step_seen;
                if (step.select != KEEP_SELECTION) select_row(dialog, step.select);
                if (step.arrange) step.arrange(dialog);
                step_seen.delivered = trigger_output(dialog, step, &step_seen);
                if (step.trigger == BY_ENTER_KEY || step.trigger == BY_DOUBLE_CLICK)
                    wait_for_recorder_lines(log_path_, launches, WAIT_MS);
                step_seen.boxes = dismiss_boxes(dialog);
                read_file_bytes(csv_path_, &step_seen.file);
                if (step.after) step.after(dialog);
                seen.steps.push_back(step_seen);
            }
            seen.lines = wait_for_recorder_lines(log_path_, launches, WAIT_MS);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        return seen;
    }

    // The launches logged in all, given a moment for one that should not come.
    std::vector<std::string> final_launches(const OutputsSeen& seen) const {
        return wait_for_recorder_lines(log_path_, seen.lines.size() + 1, NO_LAUNCH_GRACE_MS);
    }

    // The command line that the recorder logs for one launch of the workbook.
    std::string expected_launch() const {
        return "\"" + program_folder() + "\\launch_recorder.exe\" \"" + workbook_path_ + "\"";
    }

    HostSetRecord* set_of_row(int row) {
        if (row < ROW_SET_2) return &stored_[0];
        if (row < ROW_SET_3) return &stored_[1];
        return &current_;
    }

    std::string folder_;
    LoadedModule module_;
    std::string csv_path_;
    std::string workbook_path_;
    std::string log_path_;
    XlsAssociation saved_xls_;
    bool associated_ = false;
    void* fault_handler_ = nullptr;
    HostLegRecord legs_1_[2];
    HostLegRecord legs_2_[3];
    HostLegRecord legs_3_[1];
    HostSetRecord stored_[2];
    HostSetRecord current_;
    HostSetList set_list_;
};

// Every text that the host gave came back once, in the order given.
void expect_each_text_released_once(const FixtureHost& host, const char* what) {
    ASSERT_EQ(host.texts_given.size(), host.texts_released.size()) << what;
    for (size_t i = 0; i < host.texts_given.size(); ++i)
        EXPECT_EQ(host.texts_given[i], host.texts_released[i]) << what << ": text " << i;
}

TEST_F(OutputTest, NothingToOutputLeavesTheDialogAsItWas) {
    enum Failure { NO_SELECTION, ROW_WITHOUT_RECORD, HOST_HAS_NO_TEXT, CSV_HELD_OPEN };
    struct Case {
        Failure failure;
        const char* what;
        size_t requests;  // text requests that the failed output makes
        size_t texts;     // texts that it gets, and gives back
    } cases[] = {
        {NO_SELECTION, "no selection", 0, 0},
        {ROW_WITHOUT_RECORD, "a row without its record", 0, 0},
        {HOST_HAS_NO_TEXT, "the host has no text", 1, 0},
        {CSV_HELD_OPEN, "the CSV held open without sharing", 1, 1},
    };
    const std::string earlier = "earlier sheet\r\n";
    const std::string text = "set,2\r\nleg,1\r\n";
    for (const Case& c : cases) {
        DeleteFileA(csv_path_.c_str());
        DeleteFileA(log_path_.c_str());
        if (c.failure == CSV_HELD_OPEN) {
            ASSERT_TRUE(write_file_bytes(csv_path_, earlier));
        }
        FixtureHost host;
        make_host(&host, text);
        host.answer_null = c.failure == HOST_HAS_NO_TEXT;
        struct Seen {
            DialogState before = {}, after = {};
            size_t requests = 0, given = 0, released = 0;
            bool csv_exists = false;
            std::string held_content;
        } seen;
        LRESULT record = 0;
        HANDLE held = INVALID_HANDLE_VALUE;
        OutputStep failing = {c.failure == NO_SELECTION ? -1 : ROW_SET_2, BY_COMMAND, 0,
                              [&](HWND dialog) {
                                  HWND list = GetDlgItem(dialog, IDC_SET_LIST);
                                  record = SendMessageA(list, LB_GETITEMDATA, ROW_SET_2, 0);
                                  if (c.failure == ROW_WITHOUT_RECORD)
                                      SendMessageA(list, LB_SETITEMDATA, ROW_SET_2, 0);
                                  if (c.failure == CSV_HELD_OPEN)
                                      held = CreateFileA(csv_path_.c_str(), GENERIC_READ, 0, nullptr,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                                  seen.before = dialog_state(dialog);
                              },
                              [&](HWND dialog) {
                                  seen.after = dialog_state(dialog);
                                  seen.requests = host.csv_requests.size();
                                  seen.given = host.texts_given.size();
                                  seen.released = host.texts_released.size();
                                  if (held != INVALID_HANDLE_VALUE) {
                                      char bytes[256] = {};
                                      DWORD got = 0;
                                      ReadFile(held, bytes, sizeof(bytes), &got, nullptr);
                                      seen.held_content.assign(bytes, got);
                                      CloseHandle(held);
                                  }
                                  seen.csv_exists = file_exists(csv_path_);
                                  // The record goes back to its row, where the dialog frees it.
                                  SendMessageA(GetDlgItem(dialog, IDC_SET_LIST), LB_SETITEMDATA, ROW_SET_2, record);
                                  // Once the cause is gone, the same dialog outputs as usual.
                                  host.answer_null = false;
                              }};
        OutputStep retry = {ROW_SET_2, BY_COMMAND, 0, nullptr, nullptr};
        OutputsSeen outputs = run_outputs(&host, {failing, retry}, 1);
        ASSERT_TRUE(outputs.run.dialog_seen) << c.what;
        EXPECT_TRUE(outputs.run.ended_in_time) << c.what;
        ASSERT_EQ(2u, outputs.steps.size()) << c.what;
        EXPECT_TRUE(outputs.steps[0].delivered) << c.what << ": the output should return at once";
        EXPECT_EQ(0, outputs.steps[0].boxes) << c.what << ": no message box was expected";
        expect_same_state(seen.before, seen.after, c.what);
        EXPECT_EQ(c.requests, seen.requests) << c.what << ": text requests";
        EXPECT_EQ(c.texts, seen.given) << c.what << ": texts given";
        EXPECT_EQ(c.texts, seen.released) << c.what << ": each text given should come back at once";
        if (c.failure == CSV_HELD_OPEN) {
            EXPECT_TRUE(seen.csv_exists) << c.what;
            EXPECT_EQ(earlier, seen.held_content) << c.what << ": the file held open was changed";
        } else {
            EXPECT_FALSE(seen.csv_exists) << c.what << ": no CSV file was expected";
        }
        EXPECT_TRUE(outputs.steps[1].delivered) << c.what;
        EXPECT_EQ(text, outputs.steps[1].file) << c.what << ": the output after the failure";
        // Only the output after the failure may have launched the workbook.
        std::vector<std::string> lines = final_launches(outputs);
        ASSERT_EQ(1u, lines.size()) << c.what << ": launches logged";
        EXPECT_EQ(expected_launch(), lines[0]) << c.what;
        EXPECT_EQ(std::vector<HostSetRecord*>(c.requests + 1, &stored_[1]), host.csv_requests) << c.what;
        EXPECT_EQ(c.texts + 1, host.texts_given.size()) << c.what;
        expect_each_text_released_once(host, c.what);
        destroy_fixture_host(&host);
    }
}

// Bytes that a text conversion or a text-mode write would change: CR LF, every
// byte from 0x80 up, Shift-JIS pairs whose second byte is a backslash, and no
// line end at the very end.
std::string awkward_text() {
    std::string text = "\x95\x5C,\x83\x5C,\x8F\x5C\r\nCR LF\r\nlone CR\rlone LF\n";
    for (int byte = 0x80; byte <= 0xFF; ++byte) text += static_cast<char>(byte);
    text += "\r\nend without a line end";
    return text;
}

TEST_F(OutputTest, FileHoldsExactlyTheHostsTextAndNoOneElseOpensItMeanwhile) {
    struct Case {
        const char* what;
        std::string earlier;  // a file already there; empty: none
        std::string text;
    } cases[] = {
        {"line ends, high bytes and Shift-JIS pairs", "", awkward_text()},
        {"an empty text", "", ""},
        {"an earlier, longer file", std::string(5000, 'x') + "\r\n", "short,1"},
    };
    for (const Case& c : cases) {
        DeleteFileA(csv_path_.c_str());
        DeleteFileA(log_path_.c_str());
        second_open_errors.clear();
        if (!c.earlier.empty()) {
            ASSERT_TRUE(write_file_bytes(csv_path_, c.earlier)) << c.what;
        }
        FixtureHost host;
        make_host(&host, c.text);
        OutputsSeen outputs = run_outputs(&host, {{ROW_SET_1, BY_COMMAND, 0, nullptr, nullptr}}, 1);
        ASSERT_TRUE(outputs.run.dialog_seen) << c.what;
        EXPECT_TRUE(outputs.run.ended_in_time) << c.what;
        ASSERT_EQ(1u, outputs.steps.size()) << c.what;
        EXPECT_TRUE(outputs.steps[0].delivered) << c.what;
        EXPECT_EQ(0, outputs.steps[0].boxes) << c.what;
        const std::string& file = outputs.steps[0].file;
        EXPECT_TRUE(file == c.text) << c.what << ": expected \"" << printable(c.text) << "\", got \""
                                    << printable(file) << "\"";
        // While the module writes, the file is its own: a second open, whatever
        // it would share, is refused.
        EXPECT_EQ(std::vector<DWORD>(1, ERROR_SHARING_VIOLATION), second_open_errors)
            << c.what << ": the errors of a second open during each write (0: it opened)";
        ASSERT_EQ(1u, outputs.lines.size()) << c.what << ": the workbook should be opened once";
        EXPECT_EQ(expected_launch(), outputs.lines[0]) << c.what;
        EXPECT_EQ(1u, host.texts_given.size()) << c.what;
        expect_each_text_released_once(host, c.what);
        destroy_fixture_host(&host);
    }
}

TEST_F(OutputTest, TwoOutputsInARowWriteReleaseAndLaunchTwice) {
    const std::string first = "first,sheet,longer\r\n1,2,3\r\n";
    const std::string second = "second";
    FixtureHost host;
    make_host(&host, first);
    // The host's next answer differs, so the second file is told apart.
    OutputStep again = {KEEP_SELECTION, BY_COMMAND, 0, [&](HWND) { host.csv_text = second; }, nullptr};
    OutputsSeen outputs = run_outputs(&host, {{ROW_SET_2_LEG_2, BY_COMMAND, 0, nullptr, nullptr}, again}, 2);
    ASSERT_TRUE(outputs.run.dialog_seen);
    EXPECT_TRUE(outputs.run.ended_in_time);
    ASSERT_EQ(2u, outputs.steps.size());
    EXPECT_TRUE(outputs.steps[0].delivered && outputs.steps[1].delivered);
    EXPECT_EQ(first, outputs.steps[0].file);
    EXPECT_EQ(second, outputs.steps[1].file) << "the second output should replace the first file whole";
    std::vector<std::string> lines = final_launches(outputs);
    ASSERT_EQ(2u, lines.size()) << "launches logged";
    EXPECT_EQ(expected_launch(), lines[0]);
    EXPECT_EQ(expected_launch(), lines[1]);
    EXPECT_EQ(std::vector<HostSetRecord*>(2, &stored_[1]), host.csv_requests);
    EXPECT_EQ(2u, host.texts_given.size());
    expect_each_text_released_once(host, "two outputs");
    destroy_fixture_host(&host);
}

TEST_F(OutputTest, FileIsCompleteAndClosedWhenTheTextComesBack) {
    // Large enough that a write still in progress would show.
    std::string text;
    for (int i = 0; text.size() < 200000; ++i) text += std::to_string(i) + ",\x95\x5C,row\r\n";
    FixtureHost host;
    make_host(&host, text);
    struct Release {
        bool same_text = false;
        bool opened_unshared = false;
        std::string file;
        size_t launches = 0;
        int recorders = 0;
    };
    std::vector<Release> releases;
    host.on_release = [&](const char* released) {
        Release seen;
        seen.same_text = text == released;
        HANDLE file = CreateFileA(csv_path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        seen.opened_unshared = file != INVALID_HANDLE_VALUE;
        if (seen.opened_unshared) {
            char chunk[4096];
            DWORD got = 0;
            while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0)
                seen.file.append(chunk, got);
            CloseHandle(file);
        }
        seen.launches = recorder_lines(log_path_).size();
        seen.recorders = running_recorders();
        releases.push_back(seen);
    };
    // A recorder launched before the release would still wait at the gate then.
    char gate_name[64];
    wsprintfA(gate_name, "tq7_recorder_gate_%lu", GetCurrentProcessId());
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, gate_name);
    ASSERT_NE(nullptr, gate);
    SetEnvironmentVariableA(RECORDER_GATE_VARIABLE, gate_name);
    int recorders_held = -1;
    OutputStep output = {ROW_SET_3, BY_COMMAND, 0, nullptr, [&](HWND) {
                             recorders_held = running_recorders();
                             SetEvent(gate);
                         }};
    OutputsSeen outputs = run_outputs(&host, {output}, 1);
    ASSERT_TRUE(outputs.run.dialog_seen);
    EXPECT_TRUE(outputs.run.ended_in_time);
    ASSERT_EQ(1u, releases.size());
    EXPECT_TRUE(releases[0].same_text) << "the text given back should be the one given out";
    EXPECT_TRUE(releases[0].opened_unshared)
        << "the module still had the CSV open when the text came back";
    EXPECT_EQ(text.size(), releases[0].file.size()) << "the CSV was not complete at release";
    EXPECT_TRUE(text == releases[0].file) << "the CSV differs from the text at release";
    EXPECT_EQ(0u, releases[0].launches) << "the workbook was opened before the text came back";
    EXPECT_EQ(0, releases[0].recorders) << "the workbook was opened before the text came back";
    EXPECT_EQ(1, recorders_held) << "the workbook should be opened once, after the release";
    EXPECT_EQ(1u, outputs.lines.size()) << "the workbook should be opened after the release";
    EXPECT_EQ(std::vector<HostSetRecord*>(1, &current_), host.csv_requests);
    expect_each_text_released_once(host, "order");
    destroy_fixture_host(&host);
    CloseHandle(gate);
}

TEST_F(OutputTest, EveryTriggerOpensTheWorkbookWithItsSet) {
    struct Case {
        Trigger trigger;
        int selected;  // the row selected before the trigger
        int row;       // the row output: a double-click selects its own
        const char* what;
    } cases[] = {
        {BY_OUTPUT_BUTTON, ROW_SET_1, ROW_SET_1, "\"Output\" on set 1"},
        {BY_OUTPUT_BUTTON, ROW_SET_3_LEG_1, ROW_SET_3_LEG_1, "\"Output\" on a leg of the current set"},
        {BY_ENTER_KEY, ROW_SET_2, ROW_SET_2, "Enter on set 2"},
        {BY_ENTER_KEY, ROW_SET_1_LEG_2, ROW_SET_1_LEG_2, "Enter on a leg of set 1"},
        {BY_DOUBLE_CLICK, ROW_SET_1, ROW_SET_2_LEG_2, "a double-click on a leg of set 2"},
        {BY_DOUBLE_CLICK, ROW_SET_2, ROW_SET_3, "a double-click on the current set"},
    };
    for (const Case& c : cases) {
        DeleteFileA(log_path_.c_str());
        FixtureHost host;
        make_host(&host, "sheet of one set\r\n");
        LRESULT default_id = 0;
        LRESULT row_count = 0;
        LRESULT selection_after = LB_ERR;
        OutputStep step = {c.selected, c.trigger, c.row,
                           [&](HWND dialog) {
                               default_id = SendMessageA(dialog, DM_GETDEFID, 0, 0);
                               row_count = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCOUNT, 0, 0);
                           },
                           [&](HWND dialog) {
                               selection_after = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCURSEL, 0, 0);
                           }};
        OutputsSeen outputs = run_outputs(&host, {step}, 1);
        ASSERT_TRUE(outputs.run.dialog_seen) << c.what;
        EXPECT_TRUE(outputs.run.ended_in_time) << c.what;
        ASSERT_EQ(1u, outputs.steps.size()) << c.what;
        EXPECT_TRUE(outputs.steps[0].delivered) << c.what;
        if (c.trigger == BY_ENTER_KEY) {
            EXPECT_TRUE(outputs.steps[0].keys_to_list) << c.what << ": the list should hold the focus";
        }
        ASSERT_EQ(ROW_COUNT, row_count) << c.what << ": the rows this test counts on";
        EXPECT_EQ(MAKELONG(IDC_OUTPUT, DC_HASDEFID), default_id) << c.what << ": the default button";
        EXPECT_EQ(c.row, selection_after) << c.what;
        EXPECT_EQ(std::vector<HostSetRecord*>(1, set_of_row(c.row)), host.csv_requests)
            << c.what << ": the set's own record should be asked for";
        std::vector<std::string> lines = final_launches(outputs);
        ASSERT_EQ(1u, lines.size()) << c.what << ": launches logged";
        EXPECT_EQ(expected_launch(), lines[0]) << c.what;
        expect_each_text_released_once(host, c.what);
        destroy_fixture_host(&host);
    }
}

// Posts the output (the box holds the dialog's thread, so it is not sent),
// reads the box captioned "Error" that the dialog owns and closes it; null
// when none came.
HWND take_error_box(HWND dialog, BoxContent* content, bool* closed) {
    PostMessageA(dialog, WM_COMMAND, IDC_OUTPUT, 0);
    HWND box = wait_for_owned_dialog(ui_thread_of(dialog), dialog, "Error", WAIT_MS);
    if (box) {
        *content = read_box(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        *closed = wait_until_destroyed(box, WAIT_MS);
    }
    return box;
}

TEST_F(OutputTest, FailedLaunchShowsTheErrorBox) {
    struct Case {
        const char* what;
        bool workbook_there;
        bool associated;
    } cases[] = {
        {"no workbook file", false, true},
        {"no association", true, false},
    };
    const char* head = launch_error_head();
    for (const Case& c : cases) {
        DeleteFileA(log_path_.c_str());
        if (c.workbook_there) {
            ASSERT_TRUE(write_file_bytes(workbook_path_, "dummy workbook")) << c.what;
        } else {
            DeleteFileA(workbook_path_.c_str());
        }
        ASSERT_TRUE(c.associated ? associate_xls_with_recorder() : dissociate_xls()) << c.what;
        // What the shell itself reports for this path, called as the module calls it.
        SetLastError(0);
        INT_PTR shell_result = reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, nullptr, workbook_path_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        DWORD code = GetLastError();
        std::printf("[ INFO     ] %s: ShellExecuteA gave %d, GetLastError %lu \"%s\"\n", c.what,
                    static_cast<int>(shell_result), code, printable(system_text(code)).c_str());
        ASSERT_LE(shell_result, 32) << c.what << ": the launch should fail here";
        ASSERT_FALSE(system_text(code).empty()) << c.what << ": code " << code;
        const std::string expected_text = head + system_text(code);

        FixtureHost host;
        make_host(&host, "sheet\r\n");
        DialogState before = {}, after = {};
        HWND box = nullptr;
        BoxContent content;
        bool box_closed = false;
        int boxes_elsewhere = 0;
        CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
            select_row(dialog, ROW_SET_2);
            before = dialog_state(dialog);
            box = take_error_box(dialog, &content, &box_closed);
            boxes_elsewhere = dismiss_boxes(dialog);
            after = dialog_state(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ASSERT_TRUE(run.dialog_seen) << c.what;
        EXPECT_TRUE(run.ended_in_time) << c.what;
        ASSERT_NE(nullptr, box) << c.what << ": no box captioned \"Error\" owned by the dialog ("
                                << boxes_elsewhere << " other boxes)";
        EXPECT_EQ("Error", content.caption) << c.what;
        EXPECT_EQ(expected_text, content.text)
            << c.what << ": expected \"" << printable(expected_text) << "\", got \""
            << printable(content.text) << "\"";
        EXPECT_EQ(std::vector<int>(1, IDOK), content.buttons) << c.what << ": one OK button";
        EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), content.icon) << c.what << ": the error icon";
        EXPECT_TRUE(box_closed) << c.what;
        expect_same_state(before, after, c.what);
        std::string file;
        EXPECT_TRUE(read_file_bytes(csv_path_, &file) && file == "sheet\r\n")
            << c.what << ": the CSV is written before the launch";
        EXPECT_EQ(std::vector<HostSetRecord*>(1, &stored_[1]), host.csv_requests) << c.what;
        EXPECT_TRUE(recorder_lines(log_path_).empty()) << c.what << ": nothing should have been launched";
        expect_each_text_released_once(host, c.what);
        destroy_fixture_host(&host);
    }
}

// --- The launch and its error message through the loaded module, with the
// shell's answer and the system's text under the test's control.

// How the stand-in for FormatMessageA answers.
enum SystemText {
    FORWARDED,        // the system's own answer
    PART_THEN_NONE,   // fills the whole room without a terminator, then reports failure
    FILLS_THE_ROOM,   // a text of the room's size less its terminator
};

struct LaunchCall {
    int calls = 0;
    HWND owner = nullptr;
    bool verb_null = false, parameters_null = false, directory_null = false;
    std::string file;
    INT show = -1;
};

struct TextCall {
    int calls = 0;
    DWORD flags = 0, code = 0, language = 0, room = 0;
    bool source_null = false, arguments_null = false;
};

struct ShellControl {
    INT_PTR answer = 2;   // what ShellExecuteA returns
    DWORD last_error = 0; // and leaves as the last error
    SystemText text = FORWARDED;
    LaunchCall launch;
    TextCall format;
};
ShellControl shell_control;
decltype(&FormatMessageA) real_format_message = nullptr;

HINSTANCE WINAPI controlled_shell_execute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                          LPCSTR directory, INT show) {
    LaunchCall& call = shell_control.launch;
    ++call.calls;
    call.owner = owner;
    call.verb_null = verb == nullptr;
    call.file = file ? file : "(null)";
    call.parameters_null = parameters == nullptr;
    call.directory_null = directory == nullptr;
    call.show = show;
    SetLastError(shell_control.last_error);
    return reinterpret_cast<HINSTANCE>(shell_control.answer);
}

DWORD WINAPI controlled_format_message(DWORD flags, LPCVOID source, DWORD code, DWORD language, LPSTR buffer,
                                       DWORD room, va_list* arguments) {
    TextCall& call = shell_control.format;
    ++call.calls;
    call.flags = flags;
    call.code = code;
    call.language = language;
    call.room = room;
    call.source_null = source == nullptr;
    call.arguments_null = arguments == nullptr;
    switch (shell_control.text) {
    case PART_THEN_NONE:
        memset(buffer, 'p', room);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    case FILLS_THE_ROOM:
        memset(buffer, 'f', room - 1);
        buffer[room - 1] = '\0';
        return room - 1;
    case FORWARDED:
        break;
    }
    return real_format_message(flags, source, code, language, buffer, room, arguments);
}

// The first code from 1 up whose system text holds an insert marker.
DWORD code_with_insert_marker() {
    for (DWORD code = 1; code < 16000; ++code)
        if (system_text(code).find("%1") != std::string::npos) return code;
    return 0;
}

TEST_F(OutputTest, LaunchAndItsErrorTextThroughTheModule) {
    ASSERT_NE(nullptr, patch_import(module_.handle, "shell32.dll", "ShellExecuteA",
                                    reinterpret_cast<void*>(controlled_shell_execute)));
    real_format_message = reinterpret_cast<decltype(&FormatMessageA)>(patch_import(
        module_.handle, "kernel32.dll", "FormatMessageA", reinterpret_cast<void*>(controlled_format_message)));
    ASSERT_NE(nullptr, real_format_message);
    const std::string head = launch_error_head();
    // The message holds 256 bytes: what the head leaves, terminator included.
    const DWORD room = GetACP() == 932 ? 224 : 221;
    ASSERT_EQ(256 - head.size(), room) << "the head of this language";
    const DWORD marker_code = code_with_insert_marker();
    ASSERT_NE(0u, marker_code) << "the system has no text with %1";
    const DWORD NO_TEXT_CODE = 0x2000FFFF;
    ASSERT_TRUE(system_text(NO_TEXT_CODE).empty());
    struct Case {
        const char* what;
        INT_PTR answer;
        DWORD code;
        SystemText text;
        std::string expected;  // the box's text; empty: no box
    } cases[] = {
        {"a launch", 42, 0, FORWARDED, ""},
        {"the system's text", SE_ERR_FNF, ERROR_FILE_NOT_FOUND, FORWARDED, head + system_text(ERROR_FILE_NOT_FOUND)},
        {"an insert marker stands as it is", SE_ERR_NOASSOC, marker_code, FORWARDED, head + system_text(marker_code)},
        {"a code without text", 0, NO_TEXT_CODE, FORWARDED, head},
        {"a text that does not fit", SE_ERR_FNF, ERROR_FILE_NOT_FOUND, PART_THEN_NONE, head},
        {"a text that fills the room", SE_ERR_FNF, ERROR_FILE_NOT_FOUND, FILLS_THE_ROOM,
         head + std::string(room - 1, 'f')},
    };
    for (const Case& c : cases) {
        shell_control = ShellControl();
        shell_control.answer = c.answer;
        shell_control.last_error = c.code;
        shell_control.text = c.text;
        FixtureHost host;
        make_host(&host, "sheet\r\n");
        HWND dialog_seen = nullptr;
        HWND box = nullptr;
        BoxContent content;
        bool box_closed = false;
        int other_boxes = 0;
        CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
            dialog_seen = dialog;
            select_row(dialog, ROW_SET_1);
            if (c.expected.empty()) {
                click_output(dialog);
            } else {
                box = take_error_box(dialog, &content, &box_closed);
            }
            other_boxes = dismiss_boxes(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ASSERT_TRUE(run.dialog_seen) << c.what;
        EXPECT_TRUE(run.ended_in_time) << c.what;
        const LaunchCall& launch = shell_control.launch;
        EXPECT_EQ(1, launch.calls) << c.what;
        EXPECT_EQ(dialog_seen, launch.owner) << c.what << ": the dialog owns the launch";
        EXPECT_TRUE(launch.verb_null && launch.parameters_null && launch.directory_null)
            << c.what << ": the default verb, no parameters, no folder";
        EXPECT_EQ(workbook_path_, launch.file) << c.what;
        EXPECT_EQ(SW_SHOWNORMAL, launch.show) << c.what << ": the workbook is shown normally";
        EXPECT_EQ(0, other_boxes) << c.what << ": boxes other than the error box";
        const TextCall& format = shell_control.format;
        if (c.expected.empty()) {
            EXPECT_EQ(0, format.calls) << c.what << ": no error text after a launch";
            EXPECT_EQ(nullptr, box) << c.what;
        } else {
            ASSERT_NE(nullptr, box) << c.what << ": no error box";
            EXPECT_EQ(c.expected, content.text) << c.what << ": expected \"" << printable(c.expected)
                                                << "\", got \"" << printable(content.text) << "\"";
            EXPECT_TRUE(box_closed) << c.what;
            EXPECT_EQ(1, format.calls) << c.what;
            EXPECT_EQ(static_cast<DWORD>(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS), format.flags)
                << c.what;
            EXPECT_EQ(c.code, format.code) << c.what << ": the shell's error should be the one described";
            EXPECT_EQ(0u, format.language) << c.what;
            EXPECT_EQ(room, format.room) << c.what << ": the room after the head";
            EXPECT_TRUE(format.source_null && format.arguments_null) << c.what;
        }
        destroy_fixture_host(&host);
    }
}

}  // namespace
