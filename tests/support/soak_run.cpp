// The long run of the module in one process.
#include "tests/support/soak_run.h"

#include <psapi.h>

#include "host/host_records.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/sheet_row.h"
#include "tests/support/dde_workbook.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/dialog_thread.h"
#include "tests/support/fixture_host.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/row_canvas.h"
#include "tests/support/temp_folder.h"

namespace {

const DWORD WAIT_MS = 30000;
const int ROW_WIDTH = 380;
const int ROW_HEIGHT = 24;

// --- The set lists: a few shapes, built once so that the run's own memory
// stays as it is while the module is watched.

struct ShapePlan {
    int set_count;           // as the host reports it, may be 0 or negative
    int stored_legs[12];     // leg_count of each stored set
    int current_closed;
    int current_legs;
};

const ShapePlan SHAPES[] = {
    {1, {3}, 0, 2},
    {5, {0, 1, 4, -2, 7}, 0, 1},
    {12, {0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5}, 0, 5},
    {0, {}, 0, 3},
    {-1, {}, 0, 9},
    {8, {2, 2, 2, 2, 2, 2, 2, 2}, 1, 4},
    {3, {6, -1, 1}, 0, 0},
    {2, {12, 12}, 0, 12},
};
const int SHAPE_COUNT = sizeof(SHAPES) / sizeof(SHAPES[0]);

struct ExpectedRow {
    int32_t kind;
    HostSetRecord* set;
    int32_t leg;
    bool current;
};

struct Shape {
    std::vector<std::vector<HostLegRecord>> legs;  // stored sets' legs, then the current set's
    std::vector<HostSetRecord> stored;
    HostSetRecord current;
    HostSetList list;
    std::vector<ExpectedRow> rows;
};

void add_rows_of(Shape* shape, HostSetRecord* set, bool current) {
    shape->rows.push_back(ExpectedRow{ROW_SET, set, 0, current});
    for (int32_t n = 1; n <= set->leg_count; ++n) shape->rows.push_back(ExpectedRow{ROW_LEG, set, n, current});
}

void build_shape(const ShapePlan& plan, int shape_index, Shape* shape) {
    int stored = plan.set_count > 0 ? plan.set_count : 0;
    for (int i = 0; i <= stored; ++i) {
        int count = i < stored ? plan.stored_legs[i] : plan.current_legs;
        std::vector<HostLegRecord> legs;
        for (int n = 0; n < count; ++n) legs.push_back(make_leg((n + i) % 3 - (n % 5 == 4), 7 * n + i));
        shape->legs.push_back(legs);
    }
    for (int i = 0; i < stored; ++i) {
        HostLegRecord* legs = shape->legs[i].empty() ? nullptr : shape->legs[i].data();
        shape->stored.push_back(make_set(100 * shape_index + i - 3, plan.stored_legs[i], legs));
        HostSetRecord& set = shape->stored.back();
        set.set_mode = i % 3;
        set.set_ordinal = i;
        lstrcpyA(set.players[0].name, i % 2 ? "\x83\x65\x83\x58\x83\x67" : "Player one");
        lstrcpyA(set.players[1].name, "Player two");
        set.players[i % 2].is_computer = i % 4 == 1;
        set.players[1].computer_level = i;
        set.players[0].tally = i % 3;
        set.players[1].tally = 1;
    }
    std::vector<HostLegRecord>& current_legs = shape->legs.back();
    shape->current = make_set(100 * shape_index + 99, plan.current_legs,
                              current_legs.empty() ? nullptr : current_legs.data());
    shape->current.closed = plan.current_closed;
    lstrcpyA(shape->current.players[0].name, "Current one");
    lstrcpyA(shape->current.players[1].name, "Current two");
    shape->list.stored_sets = shape->stored.empty() ? nullptr : shape->stored.data();
    shape->list.set_count = plan.set_count;
    shape->list.current_set = &shape->current;
    for (HostSetRecord& set : shape->stored) add_rows_of(shape, &set, false);
    if (shape->current.closed == 0 && shape->current.leg_count > 0) add_rows_of(shape, &shape->current, true);
}

// The row that output number k outputs: stored and current sets alternate,
// and set and leg rows every second output; a shape without such a row gives
// the nearest that it has, the set's side before the row's kind.
int row_for_output(const Shape& shape, long k, int* kind_index) {
    bool want_current = k % 2 == 1;
    bool want_leg = (k / 2) % 2 == 1;
    int best = 0, best_score = -1;
    for (size_t i = 0; i < shape.rows.size(); ++i) {
        const ExpectedRow& row = shape.rows[i];
        int score = 2 * (row.current == want_current) + ((row.kind == ROW_LEG) == want_leg);
        if (score > best_score) {
            best = static_cast<int>(i);
            best_score = score;
        }
    }
    *kind_index = (shape.rows[best].current ? 2 : 0) + (shape.rows[best].kind == ROW_LEG);
    return best;
}

// Output number k's text: lengths from 0 to about 3 KB, every byte value but
// NUL, CR LF line ends, and its own number so that no two neighbours match.
void compose_text(long k, std::string* text) {
    text->clear();
    if (k % 97 == 0) return;
    char head[64];
    wsprintfA(head, "output,%ld\r\n", k);
    *text = head;
    size_t length = static_cast<size_t>((k * 7919) % 3000);
    for (size_t i = 0; text->size() < length; ++i) text->push_back(static_cast<char>(1 + (i + k) % 255));
}

// --- The process's figures.

SIZE_T committed_private_bytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < address) break;
    }
    return total;
}

// Open handles counted one by one: Wine answers GetProcessHandleCount with 0.
// Handle values are multiples of 4 handed out from the lowest free one, so a
// long run of invalid values means the table has ended.
DWORD probed_handle_count() {
    DWORD count = 0;
    int invalid_in_a_row = 0;
    for (ULONG_PTR value = 4; invalid_in_a_row < 4096; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            invalid_in_a_row = 0;
        } else {
            ++invalid_in_a_row;
        }
    }
    return count;
}

SoakSample take_sample(LONGLONG start, LONGLONG frequency) {
    SoakSample sample;
    if (!GetProcessHandleCount(GetCurrentProcess(), &sample.handles)) sample.handles = 0;
    sample.probed_handles = probed_handle_count();
    PROCESS_MEMORY_COUNTERS_EX memory;
    memset(&memory, 0, sizeof(memory));
    memory.cb = sizeof(memory);
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                sizeof(memory)))
        sample.private_usage = memory.PrivateUsage;
    // Wine leaves PrivateUsage 0 and fills PagefileUsage from the Unix
    // process's resident memory, which under an emulator includes its own
    // translated code: shown, but no measure of the Windows process.
    if (sample.private_usage == 0) sample.unix_resident = memory.PagefileUsage;
    sample.committed_private = committed_private_bytes();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    sample.seconds = static_cast<double>(now.QuadPart - start) / static_cast<double>(frequency);
    return sample;
}

// --- The workbook's launch: through the shell to the DDE stand-in, or, to
// tell the shell's share of a run from the module's, answered by a stub in
// the module's import of ShellExecuteA.

long stub_opens = 0;
std::string stub_last_file;

HINSTANCE WINAPI open_stub(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
    ++stub_opens;
    stub_last_file.assign(file ? file : "");
    return reinterpret_cast<HINSTANCE>(33);
}

bool through_shell = true;

long workbook_opens() {
    return through_shell ? dde_workbook_opens() : stub_opens;
}

bool last_open_names(const std::string& path) {
    return through_shell ? dde_last_open_names(path) != 0 : stub_last_file == path;
}

// --- One dialog: its rows checked, then paints and outputs, then closed.

struct SoakContext {
    const LoadedModule* module;
    FixtureHost* host;
    std::string csv_path;
    std::string workbook_path;
    RowCanvas canvas;
    SoakReport* report;
    long outputs_done = 0;
    long paints_done = 0;
    std::string file;  // the CSV read back, kept to spare an allocation per output
};

void check_rows(SoakContext* context, const Shape& shape, HWND list) {
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    context->report->rows_listed += count;
    if (count != static_cast<LRESULT>(shape.rows.size())) {
        ++context->report->rows_wrong;
        return;
    }
    for (LRESULT i = 0; i < count; ++i) {
        const SheetRow* row = reinterpret_cast<const SheetRow*>(SendMessageA(list, LB_GETITEMDATA, i, 0));
        const ExpectedRow& expected = shape.rows[i];
        if (row == nullptr || row->row_kind != expected.kind || row->row_set != expected.set ||
            row->leg_number != expected.leg)
            ++context->report->rows_wrong;
    }
}

double seconds_since(LONGLONG start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start) / static_cast<double>(frequency.QuadPart);
}

LONGLONG now_ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Paints on the dialog's thread, where the list would: one call for the batch.
void paint_rows(SoakContext* context, const Shape& shape, HWND dialog, int paints) {
    LONGLONG start = now_ticks();
    HWND list = GetDlgItem(dialog, IDC_SET_LIST);
    int rows = static_cast<int>(shape.rows.size());
    SoakReport* report = context->report;
    if (rows == 0) return;
    bool ran = run_on_dialog_thread(dialog, [&] {
        int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        for (int p = 0; p < paints; ++p) {
            long n = context->paints_done++;
            int item = static_cast<int>(n % rows);
            // The selection moves now and then, so that every colour is painted.
            if (n % 50 == 0 || selected < 0) {
                selected = static_cast<int>((n / 50) % rows);
                SendMessageA(list, LB_SETCURSEL, selected, 0);
            }
            ULONG_PTR data = static_cast<ULONG_PTR>(SendMessageA(list, LB_GETITEMDATA, item, 0));
            if (!paint_list_row(dialog, context->canvas, item, data, WAIT_MS)) continue;
            ++report->paints_done;
            const ExpectedRow& row = shape.rows[item];
            bool in_selected = row.set == shape.rows[selected].set;
            if (top_line_misses(context->canvas, expected_row_background(row.kind, in_selected)) != 0)
                ++report->paint_background_wrong;
        }
    }, WAIT_MS);
    if (!ran) ++report->dialogs_failed;
    report->paint_seconds += seconds_since(start);
}

void output_rows(SoakContext* context, const Shape& shape, HWND dialog, int outputs) {
    LONGLONG start = now_ticks();
    HWND list = GetDlgItem(dialog, IDC_SET_LIST);
    FixtureHost* host = context->host;
    SoakReport* report = context->report;
    for (int o = 0; o < outputs; ++o) {
        long k = context->outputs_done++;
        int kind = 0;
        int item = row_for_output(shape, k, &kind);
        SendMessageA(list, LB_SETCURSEL, item, 0);
        compose_text(k, &host->csv_text);
        size_t requests = host->csv_requests.size();
        long opens = workbook_opens();
        if (!send_bounded(dialog, WM_COMMAND, IDC_OUTPUT, 0, WAIT_MS)) {
            ++report->outputs_unanswered;
            continue;
        }
        ++report->outputs_by_kind[kind];
        if (host->csv_requests.size() != requests + 1 || host->csv_requests.back() != shape.rows[item].set)
            ++report->wrong_sets_asked;
        if (!read_file_bytes(context->csv_path, &context->file) || context->file != host->csv_text)
            ++report->csv_mismatches;
        long opened = workbook_opens() - opens;
        report->workbook_opens += opened;
        if (opened != 1 || !last_open_names(context->workbook_path)) ++report->opens_misnamed;
        report->last_text_size = host->csv_text.size();
    }
    report->output_seconds += seconds_since(start);
}

// The host's ledger of texts after one dialog: every text given came back,
// once, in the order given; then the ledger is emptied (keeping its room).
void settle_texts(SoakReport* report, FixtureHost* host) {
    report->texts_given += static_cast<long>(host->texts_given.size());
    report->texts_released += static_cast<long>(host->texts_released.size());
    for (size_t i = 0; i < host->texts_given.size(); ++i)
        if (i >= host->texts_released.size() || host->texts_released[i] != host->texts_given[i])
            ++report->texts_out_of_order;
    host->texts_given.clear();
    host->texts_released.clear();
    host->csv_requests.clear();
}

void run_one_dialog(SoakContext* context, const Shape& shape, int paints, int outputs) {
    FixtureHost* host = context->host;
    host->set_list = const_cast<HostSetList*>(&shape.list);
    CommandRun run = run_command(*context->module, host->window, [&](HWND dialog) {
        check_rows(context, shape, GetDlgItem(dialog, IDC_SET_LIST));
        paint_rows(context, shape, dialog, paints);
        output_rows(context, shape, dialog, outputs);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }, WAIT_MS);
    if (!run.dialog_seen || !run.ended_in_time || run.result != 1) ++context->report->dialogs_failed;
    settle_texts(context->report, host);
}

// How many of total fall to step i of steps, spread evenly.
int share(long total, int i, int steps) {
    return static_cast<int>(total * (i + 1) / steps - total * i / steps);
}

int count_lines(const std::string& path) {
    std::string bytes;
    if (!read_file_bytes(path, &bytes)) return 0;
    int lines = 0;
    for (char c : bytes) lines += c == '\n';
    return lines;
}

}  // namespace

void run_soak(const SoakCounts& counts, SoakReport* report) {
    *report = SoakReport();
    report->asked = counts;
    report->done = SoakCounts{0, 0, 0, counts.launch_through_shell};
    through_shell = counts.launch_through_shell;
    stub_opens = 0;
    stub_last_file.reserve(MAX_PATH);
    std::string folder = make_temp_folder("tq7_soak");
    LoadedModule module;
    if (folder.empty() || !load_module_copy(folder, &module)) {
        report->setup_failure = "could not load a copy of " + built_module_path();
        return;
    }
    SoakContext context;
    context.module = &module;
    context.report = report;
    context.csv_path = folder + "\\tq7_sheet.csv";
    context.workbook_path = folder + "\\tq7_sheet.xls";
    std::string recorder_log = folder + "\\launch.log";
    SetEnvironmentVariableA("TQ7_RECORDER_LOG", recorder_log.c_str());
    std::string fallback = "\"" + program_folder() + "\\launch_recorder.exe\" \"%1\"";
    if (!write_file_bytes(context.workbook_path, "stand-in workbook")) {
        report->setup_failure = "could not write " + context.workbook_path;
    } else if (!create_row_canvas(ROW_WIDTH, ROW_HEIGHT, &context.canvas)) {
        report->setup_failure = "could not make the row canvas";
    } else if (!install_module_ledger(module.handle)) {
        report->setup_failure = "the module lacks an import that the ledger watches";
    } else if (!counts.launch_through_shell &&
               !patch_import(module.handle, "shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(open_stub))) {
        report->setup_failure = "the module does not import ShellExecuteA";
    } else if (counts.launch_through_shell && !start_dde_workbook(fallback)) {
        report->setup_failure = "could not start the DDE stand-in for the workbook's application";
    }
    if (!report->setup_failure.empty()) {
        remove_module_ledger();
        destroy_row_canvas(&context.canvas);
        unload_module(&module);
        remove_folder_tree(folder);
        return;
    }

    std::vector<Shape> shapes(SHAPE_COUNT);
    for (int i = 0; i < SHAPE_COUNT; ++i) build_shape(SHAPES[i], i, &shapes[i]);
    FixtureHost host;
    host.texts_given.reserve(64);
    host.texts_released.reserve(64);
    host.csv_requests.reserve(64);
    create_fixture_host(&host, 100, 100, 700, 600);
    context.host = &host;

    LARGE_INTEGER frequency, start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    // One dialog of the first shape, uncounted, lets the system load what it
    // keeps for good (fonts, the list's class, the shell's association) first.
    SoakReport warm_up;
    SoakContext warm_context = context;
    warm_context.report = &warm_up;
    run_one_dialog(&warm_context, shapes[0], 20, 2);
    report->start = take_sample(start.QuadPart, frequency.QuadPart);
    for (int third = 0; third < 3; ++third) {
        int dialogs = share(counts.dialogs, third, 3);
        int first = counts.dialogs * third / 3;
        for (int d = first; d < first + dialogs; ++d) {
            run_one_dialog(&context, shapes[d % SHAPE_COUNT], share(counts.paints, d, counts.dialogs),
                           share(counts.outputs, d, counts.dialogs));
            ++report->done.dialogs;
        }
        report->third_end[third] = take_sample(start.QuadPart, frequency.QuadPart);
        if (third == 0) report->workbook_opens_in_first_third = report->workbook_opens;
    }
    report->done.outputs = context.outputs_done;
    report->done.paints = context.paints_done;
    std::string last_text, file;
    if (context.outputs_done > 0) compose_text(context.outputs_done - 1, &last_text);
    report->last_csv_matches =
        context.outputs_done > 0 && read_file_bytes(context.csv_path, &file) && file == last_text;

    destroy_fixture_host(&host);
    if (through_shell) stop_dde_workbook();
    report->fallback_launches = count_lines(recorder_log);
    report->ledger = read_module_ledger();
    remove_module_ledger();
    destroy_row_canvas(&context.canvas);
    unload_module(&module);
    SetEnvironmentVariableA("TQ7_RECORDER_LOG", nullptr);
    remove_folder_tree(folder);
}

SoakAllowance soak_allowance(long launches_after_first_third) {
    SoakAllowance allowance;
    allowance.private_bytes = 4 * 4096 + 1024 * launches_after_first_third;
    return allowance;
}

std::vector<std::string> soak_problems(const SoakReport& r) {
    std::vector<std::string> problems;
    auto expect = [&problems](bool holds, const std::string& what) {
        if (!holds) problems.push_back(what);
    };
    auto figure = [](long value) { return std::to_string(value); };
    if (!r.setup_failure.empty()) return {r.setup_failure};
    const ModuleLedger& l = r.ledger;
    expect(r.done.dialogs == r.asked.dialogs && r.dialogs_failed == 0,
           figure(r.dialogs_failed) + " of " + figure(r.done.dialogs) + " dialogs were not seen or did not end");
    expect(r.done.outputs == r.asked.outputs && r.outputs_unanswered == 0,
           figure(r.outputs_unanswered) + " of " + figure(r.done.outputs) + " outputs got no answer");
    expect(r.paints_done == r.asked.paints, "expected " + figure(r.asked.paints) + " paints, got " + figure(r.paints_done));
    expect(r.rows_wrong == 0, figure(r.rows_wrong) + " rows differ from the set lists");
    expect(r.paint_background_wrong == 0, figure(r.paint_background_wrong) + " paints with a wrong background");
    expect(l.allocations > 0 && l.allocations == l.frees && l.live_records == 0 && l.foreign_frees == 0,
           "row records: " + figure(l.allocations) + " allocated, " + figure(l.frees) + " freed, " +
               figure(l.live_records) + " still held, " + figure(l.foreign_frees) + " foreign frees");
    expect(l.odd_allocations == 0, figure(l.odd_allocations) + " allocations were not fixed zero-filled 12-byte records");
    expect(l.fonts_created > 0 && l.fonts_created == l.fonts_deleted,
           "fonts: expected every one of " + figure(l.fonts_created) + " deleted, got " + figure(l.fonts_deleted));
    expect(l.brushes_created > 0 && l.brushes_created == l.brushes_deleted,
           "brushes: expected every one of " + figure(l.brushes_created) + " deleted, got " + figure(l.brushes_deleted));
    expect(l.pens_created > 0 && l.pens_created == l.pens_deleted,
           "pens: expected every one of " + figure(l.pens_created) + " deleted, got " + figure(l.pens_deleted));
    expect(l.deleted_while_selected == 0, figure(l.deleted_while_selected) + " fonts or pens deleted while selected");
    expect(l.brushes_selected == 0, figure(l.brushes_selected) + " brushes selected into a DC");
    expect(l.foreign_deletes == 0 && l.failed_deletes == 0 && l.live_objects == 0 && l.table_overflows == 0,
           figure(l.foreign_deletes) + " deletes of objects not made, " + figure(l.failed_deletes) + " failed deletes, " +
               figure(l.live_objects) + " objects left, " + figure(l.table_overflows) + " ledger overflows");
    expect(r.texts_given == r.done.outputs && r.texts_released == r.texts_given && r.texts_out_of_order == 0,
           "texts: " + figure(r.texts_given) + " given, " + figure(r.texts_released) + " handed back, " +
               figure(r.texts_out_of_order) + " not back once in order");
    expect(r.wrong_sets_asked == 0, figure(r.wrong_sets_asked) + " outputs asked for another set than the row's");
    expect(r.csv_mismatches == 0, figure(r.csv_mismatches) + " outputs left a CSV other than their text");
    expect(r.done.outputs == 0 || r.last_csv_matches, "tq7_sheet.csv does not hold the last text byte for byte");
    expect(r.workbook_opens == r.done.outputs && r.opens_misnamed == 0,
           "workbook opens: expected " + figure(r.done.outputs) + ", got " + figure(r.workbook_opens) + ", " +
               figure(r.opens_misnamed) + " not naming the workbook");
    expect(r.fallback_launches == 0, figure(r.fallback_launches) + " launches started a process");
    const SoakSample& first = r.third_end[0];
    const SoakSample& last = r.third_end[2];
    expect(last.handles <= first.handles, "handles grew from " + figure(first.handles) + " after the first third to " +
                                              figure(last.handles) + " after the last");
    expect(last.probed_handles <= first.probed_handles,
           "handles counted one by one grew from " + figure(first.probed_handles) + " after the first third to " +
               figure(last.probed_handles) + " after the last");
    const long launches = r.done.launch_through_shell ? r.workbook_opens - r.workbook_opens_in_first_third : 0;
    const SoakAllowance allowance = soak_allowance(launches);
    const long committed_growth = static_cast<long>(last.committed_private) - static_cast<long>(first.committed_private);
    expect(committed_growth <= allowance.private_bytes,
           "committed private memory grew by " + figure(committed_growth) + " bytes from the first third to the last, "
               "more than the " + figure(allowance.private_bytes) + " allowed");
    const long usage_growth = static_cast<long>(last.private_usage) - static_cast<long>(first.private_usage);
    expect(usage_growth <= allowance.private_bytes,
           "PrivateUsage grew by " + figure(usage_growth) + " bytes from the first third to the last, more than the " +
               figure(allowance.private_bytes) + " allowed");
    return problems;
}

void print_soak_report(const SoakReport& r, FILE* out) {
    const ModuleLedger& l = r.ledger;
    fprintf(out, "soak: %d dialogs, %d outputs, %d row paints in one process (code page %u)\n", r.done.dialogs,
            r.done.outputs, r.done.paints, GetACP());
    fprintf(out, "  rows listed %ld; outputs of a stored set row %ld, stored leg row %ld, current set row %ld, "
                 "current leg row %ld\n",
            r.rows_listed, r.outputs_by_kind[0], r.outputs_by_kind[1], r.outputs_by_kind[2], r.outputs_by_kind[3]);
    fprintf(out, "  row records: %ld allocated, %ld freed, %ld held at the end\n", l.allocations, l.frees,
            l.live_records);
    fprintf(out, "  fonts %ld/%ld, brushes %ld/%ld, pens %ld/%ld created/deleted; deleted while selected %ld, "
                 "brushes selected %ld\n",
            l.fonts_created, l.fonts_deleted, l.brushes_created, l.brushes_deleted, l.pens_created, l.pens_deleted,
            l.deleted_while_selected, l.brushes_selected);
    fprintf(out, "  host texts: %ld given, %ld handed back, %ld not back once in order; workbook opens %ld; "
                 "last CSV (%u bytes) %s\n",
            r.texts_given, r.texts_released, r.texts_out_of_order, r.workbook_opens,
            static_cast<unsigned>(r.last_text_size), r.last_csv_matches ? "matches" : "DIFFERS");
    fprintf(out, "  time: %.1f s painting, %.1f s outputting, %.1f s in all\n", r.paint_seconds,
            r.output_seconds, r.third_end[2].seconds);
    fprintf(out, "  %-26s %13s %15s %13s %18s %14s %8s\n", "sample", "handle count", "handles probed",
            "PrivateUsage", "committed private", "Unix resident", "seconds");
    const char* names[] = {"after warm-up", "after the first third", "after the second third",
                           "after the last third"};
    const SoakSample* samples[] = {&r.start, &r.third_end[0], &r.third_end[1], &r.third_end[2]};
    for (int i = 0; i < 4; ++i)
        fprintf(out, "  %-26s %13lu %15lu %13lu %18lu %14lu %8.1f\n", names[i], samples[i]->handles,
                samples[i]->probed_handles, static_cast<unsigned long>(samples[i]->private_usage),
                static_cast<unsigned long>(samples[i]->committed_private),
                static_cast<unsigned long>(samples[i]->unix_resident), samples[i]->seconds);
    const SoakSample& first = r.third_end[0];
    const SoakSample& last = r.third_end[2];
    SoakAllowance allowance = soak_allowance(
        r.done.launch_through_shell ? r.workbook_opens - r.workbook_opens_in_first_third : 0);
    fprintf(out, "  workbook launches %s; growth allowed: %ld bytes of private memory\n",
            r.done.launch_through_shell ? "through the shell to a DDE stand-in" : "answered by a stub",
            allowance.private_bytes);
    fprintf(out, "  first third to last third: handle count %+ld, handles probed %+ld, PrivateUsage %+ld, "
                 "committed private %+ld, Unix resident %+ld bytes\n",
            static_cast<long>(last.handles) - static_cast<long>(first.handles),
            static_cast<long>(last.probed_handles) - static_cast<long>(first.probed_handles),
            static_cast<long>(last.private_usage) - static_cast<long>(first.private_usage),
            static_cast<long>(last.committed_private) - static_cast<long>(first.committed_private),
            static_cast<long>(last.unix_resident) - static_cast<long>(first.unix_resident));
}
