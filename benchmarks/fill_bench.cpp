// Times the filling of the module's set list, per row, next to a bare owner-drawn
// list box that gets the same number of rows in the same run.
#include <windows.h>
#include <process.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/host_messages.h"
#include "host/host_records.h"
#include "plugin/module_state.h"
#include "plugin/text_fetch.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/set_rows.h"
#include "tests/support/fixture_host.h"
#include "benchmarks/bench_clock.h"
#include "tests/support/loaded_module.h"
#include "tests/support/temp_folder.h"

namespace {

// The dialog's list exactly as the resource script declares it.
constexpr DWORD LIST_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                             LBS_DISABLENOSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS |
                             LBS_OWNERDRAWVARIABLE | LBS_NOTIFY;
static_assert(LIST_STYLE == 0x50A11161, "the dialog's list style");
constexpr int LEGS_PER_SET = 5;
constexpr int ROWS_PER_SET = LEGS_PER_SET + 1;
// A run that is not ready by then is closed and reported as such.
constexpr DWORD RUN_BUDGET_MS = 150000;

// --- The host's records: stored sets of five zero-filled legs, named players.

struct SetFixture {
    std::vector<HostSetRecord> sets;
    std::vector<HostLegRecord> legs;
    HostSetRecord current;
    HostSetList list;
};

void name_players(HostSetRecord* set) {
    lstrcpynA(set->players[0].name, "Player One", sizeof(set->players[0].name));
    lstrcpynA(set->players[1].name, "Player Two", sizeof(set->players[1].name));
}

// The current set is closed, so the list gets exactly ROWS_PER_SET rows a set.
void build_fixture(SetFixture* fixture, int set_count) {
    fixture->legs.assign(LEGS_PER_SET, make_leg(0, 0));
    fixture->sets.clear();
    fixture->sets.reserve(set_count);
    for (int i = 0; i < set_count; ++i) {
        fixture->sets.push_back(make_set(i + 1, LEGS_PER_SET, fixture->legs.data()));
        name_players(&fixture->sets.back());
    }
    fixture->current = make_set(set_count + 1, LEGS_PER_SET, fixture->legs.data());
    fixture->current.closed = 1;
    name_players(&fixture->current);
    fixture->list.stored_sets = set_count > 0 ? fixture->sets.data() : nullptr;
    fixture->list.set_count = set_count;
    fixture->list.current_set = &fixture->current;
}

// --- Timestamps taken on the dialog's thread.

WNDPROC fixture_host_proc;
LONGLONG set_list_answered;

// The fixture host's procedure with the moment of the set list's answer noted.
LRESULT CALLBACK timing_host_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallWindowProcA(fixture_host_proc, window, message, wParam, lParam);
    if (message == HOSTMSG_GET_SET_LIST) set_list_answered = ticks();
    return result;
}

// --- The module's dialog, watched from a second thread.

struct FindRequest {
    HWND owner;
    HWND found;
};

BOOL CALLBACK match_owned_dialog(HWND window, LPARAM parameter) {
    FindRequest* request = reinterpret_cast<FindRequest*>(parameter);
    char class_name[32] = {};
    GetClassNameA(window, class_name, sizeof(class_name));
    if (lstrcmpA(class_name, "#32770") != 0 || GetWindow(window, GW_OWNER) != request->owner)
        return TRUE;
    request->found = window;
    return FALSE;
}

struct Watch {
    DWORD ui_thread;
    HWND host_window;
    LRESULT expected_rows;
    HANDLE command_returned;
    // Results.
    LRESULT rows = -1;
    bool ready = false;
    LONGLONG ready_at = 0;
    LONGLONG close_posted = 0;
    RECT list_rect = {0, 0, 0, 0};
};

// Finds the dialog as soon as it exists, hidden or not, then asks its list for
// the count: the question is answered only once the dialog pumps messages, that
// is after its initialisation and the fill. A count short of the expected one
// on a visible dialog is final.
unsigned __stdcall watch_dialog(void* parameter) {
    Watch* watch = static_cast<Watch*>(parameter);
    DWORD start = GetTickCount();
    HWND dialog = nullptr;
    HWND list = nullptr;
    while (list == nullptr) {
        if (GetTickCount() - start > RUN_BUDGET_MS) return 0;
        if (WaitForSingleObject(watch->command_returned, 0) == WAIT_OBJECT_0) return 0;
        FindRequest request = {watch->host_window, nullptr};
        EnumThreadWindows(watch->ui_thread, match_owned_dialog, reinterpret_cast<LPARAM>(&request));
        dialog = request.found;
        if (dialog) list = GetDlgItem(dialog, IDC_SET_LIST);
        if (list == nullptr) SwitchToThread();
    }
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent > RUN_BUDGET_MS) break;
        DWORD_PTR count = 0;
        if (!SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, RUN_BUDGET_MS - spent, &count))
            break;
        watch->rows = static_cast<LRESULT>(count);
        if (watch->rows >= watch->expected_rows) {
            watch->ready_at = ticks();
            watch->ready = true;
            break;
        }
        if (IsWindowVisible(dialog)) break;
        SwitchToThread();
    }
    GetWindowRect(list, &watch->list_rect);
    watch->close_posted = ticks();
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

struct ModuleRun {
    bool ok = false;
    LRESULT rows = 0;
    double open_ms = 0;   // set list answered to list complete and answering
    double close_ms = 0;  // close posted to tq7_sheet returned
    RECT list_rect = {0, 0, 0, 0};
};

ModuleRun run_module(const LoadedModule& module, FixtureHost* host, int set_count) {
    ModuleRun result;
    Watch watch;
    watch.ui_thread = GetCurrentThreadId();
    watch.host_window = host->window;
    watch.expected_rows = static_cast<LRESULT>(set_count) * ROWS_PER_SET;
    watch.command_returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    set_list_answered = 0;
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, watch_dialog, &watch, 0, nullptr));
    module.tq7_sheet(host->window, 0, 0, 0);
    LONGLONG returned = ticks();
    SetEvent(watch.command_returned);
    // The watcher may still be sending to windows of this thread.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, RUN_BUDGET_MS, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    CloseHandle(thread);
    CloseHandle(watch.command_returned);
    result.ok = watch.ready;
    result.rows = watch.rows;
    result.list_rect = watch.list_rect;
    if (watch.ready) {
        result.open_ms = to_ms(watch.ready_at - set_list_answered);
        result.close_ms = to_ms(returned - watch.close_posted);
    }
    return result;
}

// --- The bare list box: same styles, same row count, the same two messages a row.

LRESULT CALLBACK bare_parent_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 24;
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void register_bare_parent() {
    static ATOM parent_class = 0;
    if (parent_class != 0) return;
    WNDCLASSA description = {};
    description.lpfnWndProc = bare_parent_proc;
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = "tq7_bench_bare_parent";
    parent_class = RegisterClassA(&description);
}

struct BareRecord {
    int32_t kind;
    void* set;
    int32_t leg_number;
};
static_assert(sizeof(BareRecord) == 12, "as large as the module's row record");

void add_bare_row(HWND list, const char* text, int32_t kind, void* set, int32_t leg_number) {
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    BareRecord* record =
        static_cast<BareRecord*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(BareRecord)));
    record->kind = kind;
    record->set = set;
    record->leg_number = leg_number;
    SendMessageA(list, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(record));
}

void fill_bare(HWND list, const HostSetList* set_list) {
    for (int32_t i = 0; i < set_list->set_count; ++i) {
        HostSetRecord* set = set_list->stored_sets + i;
        char text[256];
        wsprintfA(text, "%d", set->number);
        add_bare_row(list, text, 0, set, 0);
        for (int32_t n = 1; n <= set->leg_count; ++n) {
            wsprintfA(text, "%d Legs", n);
            add_bare_row(list, text, 1, set, n);
        }
    }
}

void release_bare(HWND list) {
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        LocalFree(reinterpret_cast<HLOCAL>(SendMessageA(list, LB_GETITEMDATA, i, 0)));
}

// How the list box gets its rows and gives back their records.
enum BareKind {
    BARE_PLAIN,         // the loop above
    BARE_INIT_STORAGE,  // the loop above after one LB_INITSTORAGE for every row
    BARE_MODULE_CODE,   // the module's own fill_set_list and release_rows, in-process
    BARE_FIXED_HEIGHT,  // the loop above on a list of fixed 24-pixel rows
};

struct BareRun {
    LRESULT rows = 0;
    double fill_ms = 0;
    double close_ms = 0;  // records freed and the list destroyed
};

BareRun run_bare(HMODULE module, HostSetList* set_list, const RECT& list_rect, BareKind kind) {
    register_bare_parent();
    // Hidden, as the dialog is while it fills its list.
    HWND parent = CreateWindowExA(0, "tq7_bench_bare_parent", "", WS_OVERLAPPEDWINDOW, 100, 100,
                                  480, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    DWORD style = kind == BARE_FIXED_HEIGHT
                      ? (LIST_STYLE & ~LBS_OWNERDRAWVARIABLE) | LBS_OWNERDRAWFIXED
                      : LIST_STYLE;
    HWND list = CreateWindowExA(WS_EX_NOPARENTNOTIFY | WS_EX_CLIENTEDGE, "LISTBOX", "", style,
                                0, 33, list_rect.right - list_rect.left,
                                list_rect.bottom - list_rect.top, parent,
                                reinterpret_cast<HMENU>(IDC_SET_LIST), GetModuleHandleA(nullptr),
                                nullptr);
    // The module's code reads its "%d Legs" from the module's string table.
    HINSTANCE saved = module_instance;
    module_instance = module;
    BareRun result;
    LONGLONG start = ticks();
    if (kind == BARE_MODULE_CODE) {
        fill_set_list(list, set_list);
    } else {
        if (kind == BARE_INIT_STORAGE)
            SendMessageA(list, LB_INITSTORAGE, static_cast<WPARAM>(set_list->set_count) * ROWS_PER_SET,
                         static_cast<LPARAM>(set_list->set_count) * ROWS_PER_SET * 8);
        fill_bare(list, set_list);
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    LONGLONG filled = ticks();
    result.rows = SendMessageA(list, LB_GETCOUNT, 0, 0);
    result.fill_ms = to_ms(filled - start);

    LONGLONG close_start = ticks();
    if (kind == BARE_MODULE_CODE) release_rows(parent);
    else release_bare(list);
    DestroyWindow(list);
    result.close_ms = to_ms(ticks() - close_start);
    module_instance = saved;
    DestroyWindow(parent);
    return result;
}

// --- Smaller figures that tell where a row's time goes.

double per_call_us(int calls, LONGLONG start) {
    return to_ms(ticks() - start) * 1000.0 / calls;
}

void print_pieces(HMODULE module, const RECT& list_rect) {
    HINSTANCE saved = module_instance;
    module_instance = module;
    const int calls = 20000;
    char text[256];
    LONGLONG start = ticks();
    for (int i = 0; i < calls; ++i) wsprintfA(text, fetch_string(IDS_LEG_NUMBER), i);
    printf("  fetch_string + wsprintfA of \"%%d Legs\": %.2f us a call\n", per_call_us(calls, start));
    module_instance = saved;

    register_bare_parent();
    // A dialog-like parent with one list: SendDlgItemMessageA finds the list
    // again on every call, SendMessageA is given its handle.
    HWND parent = CreateWindowExA(0, "tq7_bench_bare_parent", "", WS_OVERLAPPEDWINDOW, 100, 100,
                                  480, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int c = 0; c < 3; ++c)
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(2000 + c)),
                        GetModuleHandleA(nullptr), nullptr);
    HWND list = CreateWindowExA(0, "LISTBOX", "", LIST_STYLE, 0, 33, list_rect.right - list_rect.left,
                                list_rect.bottom - list_rect.top, parent,
                                reinterpret_cast<HMENU>(IDC_SET_LIST), GetModuleHandleA(nullptr),
                                nullptr);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("1"));
    start = ticks();
    for (int i = 0; i < calls; ++i) SendMessageA(list, LB_GETITEMDATA, 0, 0);
    printf("  SendMessageA(list, LB_GETITEMDATA): %.2f us a call\n", per_call_us(calls, start));
    start = ticks();
    for (int i = 0; i < calls; ++i) SendDlgItemMessageA(parent, IDC_SET_LIST, LB_GETITEMDATA, 0, 0);
    printf("  SendDlgItemMessageA(parent, IDC_SET_LIST, LB_GETITEMDATA): %.2f us a call\n",
           per_call_us(calls, start));
    start = ticks();
    for (int i = 0; i < calls; ++i) GetDlgItem(parent, IDC_SET_LIST);
    printf("  GetDlgItem(parent, IDC_SET_LIST): %.2f us a call\n", per_call_us(calls, start));
    DestroyWindow(parent);
}

void print_row(const char* what, LRESULT rows, double ms) {
    printf("  %-44s %7ld rows %10.1f ms %8.2f us/row\n", what, static_cast<long>(rows), ms,
           rows > 0 ? ms * 1000.0 / static_cast<double>(rows) : 0.0);
}

void print_ratio(const char* what, double module_ms, double bare_ms) {
    printf("  %-44s %8.2f\n", what, bare_ms > 0 ? module_ms / bare_ms : 0.0);
}

struct Samples {
    std::vector<double> fill, close;
    LRESULT rows = 0;
};

void add_bare_samples(Samples* samples, const BareRun& run) {
    samples->fill.push_back(run.fill_ms);
    samples->close.push_back(run.close_ms);
    samples->rows = run.rows;
}

}  // namespace

// Arguments: the stored set counts to run (1000 10000 50000 when none given).
int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::vector<int> set_counts;
    for (int i = 1; i < argc; ++i) set_counts.push_back(atoi(argv[i]));
    if (set_counts.empty()) set_counts = {1000, 10000, 50000};

    std::string folder = make_temp_folder("tq7_fill_bench");
    LoadedModule module;
    if (folder.empty() || !load_module_copy(folder, &module)) {
        printf("could not load %s\n", built_module_path().c_str());
        return 1;
    }
    FixtureHost host;
    create_fixture_host(&host, 100, 100, 800, 600);
    fixture_host_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(timing_host_proc)));

    printf("fill_bench: filling the set list, module dialog against a bare list box\n");
    printf("  32-bit programs run %s\n", i386_run_mode());
    printf("  code page %u, QueryPerformanceCounter at %lld Hz\n", GetACP(),
           static_cast<long long>(tick_frequency()));

    // The empty dialog: creation, layout, show, first pump and close, no row.
    SetFixture fixture;
    build_fixture(&fixture, 0);
    host.set_list = &fixture.list;
    std::vector<double> empty_open, empty_close;
    RECT list_rect = {0, 0, 380, 382};
    for (int i = 0; i < 7; ++i) {
        ModuleRun run = run_module(module, &host, 0);
        if (!run.ok) {
            printf("  empty dialog run %d did not become ready\n", i);
            continue;
        }
        empty_open.push_back(run.open_ms);
        empty_close.push_back(run.close_ms);
        list_rect = run.list_rect;
    }
    double empty_open_ms = median(empty_open);
    double empty_close_ms = median(empty_close);
    printf("  empty dialog: set list answered to list answering %.2f ms, close %.2f ms (median of %u)\n",
           empty_open_ms, empty_close_ms, static_cast<unsigned>(empty_open.size()));
    printf("  list window %ldx%ld, style 0x%08lX, rows 24 px\n", list_rect.right - list_rect.left,
           list_rect.bottom - list_rect.top, static_cast<unsigned long>(LIST_STYLE));
    print_pieces(module.handle, list_rect);

    for (int set_count : set_counts) {
        int repeats = set_count <= 1000 ? 5 : set_count <= 10000 ? 3 : 1;
        // Above that the variable-height lists take about a minute a fill:
        // only the dialog, the bare list and the fixed-height list run.
        bool all_variants = set_count <= 10000;
        build_fixture(&fixture, set_count);
        host.set_list = &fixture.list;
        LRESULT expected = static_cast<LRESULT>(set_count) * ROWS_PER_SET;
        Samples dialog, bare, bare_storage, bare_fixed, module_code;
        printf("\n%d sets, %ld rows, %d run(s) each, median\n", set_count,
               static_cast<long>(expected), repeats);
        for (int r = 0; r < repeats; ++r) {
            LONGLONG started = ticks();
            ModuleRun run = run_module(module, &host, set_count);
            dialog.rows = run.rows;
            if (!run.ok) {
                printf("  module run did not reach %ld rows in %lu ms: %ld rows\n",
                       static_cast<long>(expected), RUN_BUDGET_MS, static_cast<long>(run.rows));
                break;
            }
            dialog.fill.push_back(run.open_ms - empty_open_ms);
            dialog.close.push_back(run.close_ms - empty_close_ms);
            printf("  run %d: dialog fill %.1f ms, close %.1f ms", r + 1,
                   run.open_ms - empty_open_ms, run.close_ms - empty_close_ms);
            BareRun plain = run_bare(module.handle, &fixture.list, list_rect, BARE_PLAIN);
            add_bare_samples(&bare, plain);
            printf("; bare fill %.1f ms, close %.1f ms", plain.fill_ms, plain.close_ms);
            BareRun fixed = run_bare(module.handle, &fixture.list, list_rect, BARE_FIXED_HEIGHT);
            add_bare_samples(&bare_fixed, fixed);
            printf("; fixed-height fill %.1f ms", fixed.fill_ms);
            if (all_variants) {
                BareRun own = run_bare(module.handle, &fixture.list, list_rect, BARE_MODULE_CODE);
                add_bare_samples(&module_code, own);
                BareRun stored = run_bare(module.handle, &fixture.list, list_rect, BARE_INIT_STORAGE);
                add_bare_samples(&bare_storage, stored);
                printf("; module code fill %.1f ms, close %.1f ms; LB_INITSTORAGE fill %.1f ms",
                       own.fill_ms, own.close_ms, stored.fill_ms);
            }
            printf(" (%.1f s)\n", to_ms(ticks() - started) / 1000.0);
        }
        if (dialog.fill.empty()) continue;
        double dialog_fill = median(dialog.fill), bare_fill = median(bare.fill);
        print_row("module dialog fill (open - empty open)", dialog.rows, dialog_fill);
        print_row("bare list box fill", bare.rows, bare_fill);
        print_ratio("ratio module dialog / bare", dialog_fill, bare_fill);
        if (all_variants) {
            print_row("module fill_set_list on a bare list box", module_code.rows,
                      median(module_code.fill));
            print_row("bare list box fill after LB_INITSTORAGE", bare_storage.rows,
                      median(bare_storage.fill));
        }
        print_row("bare list box fill, LBS_OWNERDRAWFIXED", bare_fixed.rows, median(bare_fixed.fill));
        double dialog_close = median(dialog.close), bare_close = median(bare.close);
        print_row("module dialog close (close - empty close)", dialog.rows, dialog_close);
        print_row("bare close (LocalFree loop + destroy)", bare.rows, bare_close);
        print_ratio("ratio module dialog close / bare close", dialog_close, bare_close);
        if (all_variants)
            print_row("module release_rows on a bare list + destroy", module_code.rows,
                      median(module_code.close));
    }

    SetWindowLongPtrA(host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fixture_host_proc));
    destroy_fixture_host(&host);
    unload_module(&module);
    remove_folder_tree(folder);
    return 0;
}
