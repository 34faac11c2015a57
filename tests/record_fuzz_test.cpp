// Random host set lists within the host contract, through the real module:
// counts from -2 to 60 sets and -3 to 12 legs, any winner, figure, tally, set
// mode and computer flag, names of 0 to 75 bytes with double-byte characters.
// Each array lies right before a no-access page, and every field the module
// must not read holds a value that would fault or show. For each list the
// rows and their texts are compared with a model of the row rules, every row
// is painted and its background and texts checked, and one random row is
// output. TQ7_FUZZ_SEED and TQ7_FUZZ_LISTS replay or lengthen a run.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/host_records.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/sheet_row.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/dialog_thread.h"
#include "tests/support/fixture_host.h"
#include "tests/support/gdi_probe.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/row_canvas.h"
#include "tests/support/temp_folder.h"

namespace {

const uint32_t DEFAULT_SEED = 0x7A11C0DE;
const int DEFAULT_LISTS = 80;
const DWORD WAIT_MS = 120000;
const DWORD PAGE = 4096;

uint32_t setting(const char* name, uint32_t fallback) {
    const char* value = getenv(name);
    return value && *value ? static_cast<uint32_t>(strtoul(value, nullptr, 0)) : fallback;
}

// --- A small deterministic generator (xorshift32), one per list.

struct Random {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int32_t between(int32_t low, int32_t high) {  // inclusive
        return low + static_cast<int32_t>(next() % static_cast<uint32_t>(high - low + 1));
    }
    bool one_in(uint32_t n) { return next() % n == 0; }
    // Any 32-bit value, the ones that rules turn on often.
    int32_t any_value() {
        static const int32_t special[] = {0, 1, 2, -1, INT_MIN, INT_MAX, INT_MAX - 1, INT_MIN + 1};
        switch (next() % 4) {
        case 0: return special[next() % 8];
        case 1: return between(-3, 3);
        case 2: return between(-10000, 100000);
        default: return static_cast<int32_t>(next());
        }
    }
};

Random random_for(uint32_t seed) {
    Random random;
    random.state = seed ? seed : 1;
    for (int i = 0; i < 8; ++i) random.next();
    return random;
}

// --- Memory whose arrays each end where a no-access page begins.

struct GuardedArena {
    char* base = nullptr;
    DWORD pages = 0;
    DWORD used = 0;
};

bool open_arena(GuardedArena* arena, DWORD pages) {
    arena->base = static_cast<char*>(VirtualAlloc(nullptr, pages * PAGE, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    arena->pages = pages;
    arena->used = 0;
    return arena->base != nullptr;
}

void close_arena(GuardedArena* arena) {
    if (arena->base) VirtualFree(arena->base, 0, MEM_RELEASE);
    *arena = GuardedArena();
}

// size bytes filled with fill, ending right at a no-access page; null when the
// arena is full.
void* guarded(GuardedArena* arena, size_t size, unsigned char fill) {
    DWORD pages = static_cast<DWORD>((size + PAGE - 1) / PAGE);
    if (pages == 0) pages = 1;
    if (arena->used + pages + 1 > arena->pages) return nullptr;
    char* guard = arena->base + (arena->used + pages) * PAGE;
    DWORD old = 0;
    VirtualProtect(guard, PAGE, PAGE_NOACCESS, &old);
    arena->used += pages + 1;
    memset(guard - size, fill, size);
    return guard - size;
}

// The no-access page after the most recent array: a pointer that faults.
void* last_guard(const GuardedArena& arena) {
    return arena.base + (arena.used - 1) * PAGE;
}

// --- The random list and the model of its rows.

struct ModelRow {
    int32_t kind;
    HostSetRecord* set;
    int32_t leg;
};

struct FuzzList {
    GuardedArena arena;
    HostSetList* list = nullptr;
    std::vector<ModelRow> rows;
    ~FuzzList() { close_arena(&arena); }
};

// A name of length bytes: ASCII, and double-byte characters (a lead byte from
// the Shift-JIS ranges and a trail byte, which may be a backslash) never cut.
void fill_name(Random* random, char* name, int length) {
    int i = 0;
    while (i < length) {
        if (i + 1 < length && random->one_in(3)) {
            int lead = random->one_in(2) ? random->between(0x81, 0x9F) : random->between(0xE0, 0xEF);
            int trail = random->one_in(4) ? 0x5C : random->between(0x40, 0xFC);
            if (trail == 0x7F) trail = 0x80;
            name[i++] = static_cast<char>(lead);
            name[i++] = static_cast<char>(trail);
        } else {
            name[i++] = static_cast<char>(random->between(0x20, 0x7E));
        }
    }
    name[length] = '\0';
}

void fill_player(Random* random, HostPlayerBlock* player) {
    player->tally = random->any_value();
    player->is_computer = random->one_in(3) ? 1 : random->any_value();
    if (player->is_computer == 1) {
        // Not read for a computer: no terminator, and text that would show.
        memset(player->name, 'X', sizeof(player->name));
        player->computer_level = random->any_value();
    } else {
        fill_name(random, player->name, random->between(0, 75));
        // The bytes after the name's end are the host's: they would show.
        for (size_t i = strlen(player->name) + 1; i < sizeof(player->name); ++i) player->name[i] = 'Z';
        player->computer_level = random->any_value();  // not read for a person
    }
}

// One set record in place: legs exactly leg_count records, ending at a no-access page.
bool fill_set(Random* random, GuardedArena* arena, HostSetRecord* set, bool current) {
    set->closed = current ? (random->one_in(2) ? 0 : random->any_value()) : random->between(1, 9);
    set->number = random->any_value();
    set->leg_count = random->between(-3, 12);
    set->set_mode = random->one_in(2) ? 1 : random->any_value();
    set->set_ordinal = random->any_value();
    fill_player(random, &set->players[0]);
    fill_player(random, &set->players[1]);
    if (set->leg_count <= 0) {
        set->legs = static_cast<HostLegRecord*>(last_guard(*arena));
        return true;
    }
    set->legs = static_cast<HostLegRecord*>(guarded(arena, set->leg_count * sizeof(HostLegRecord), 0xEE));
    if (set->legs == nullptr) return false;
    for (int32_t n = 0; n < set->leg_count; ++n) {
        HostLegRecord& leg = set->legs[n];
        leg.winner = random->one_in(3) ? random->between(0, 1) : random->any_value();
        // Read only for the player that winner names: otherwise one that would show.
        leg.winner_figure = leg.winner == 0 || leg.winner == 1 ? random->any_value() : random->between(1, 99999);
    }
    return true;
}

void model_rows_of(FuzzList* fuzz, HostSetRecord* set) {
    fuzz->rows.push_back(ModelRow{ROW_SET, set, 0});
    for (int32_t n = 1; n <= set->leg_count; ++n) fuzz->rows.push_back(ModelRow{ROW_LEG, set, n});
}

bool build_list(uint32_t seed, FuzzList* fuzz) {
    Random random = random_for(seed);
    if (!open_arena(&fuzz->arena, 256)) return false;
    int32_t set_count = random.between(-2, 60);
    fuzz->list = static_cast<HostSetList*>(guarded(&fuzz->arena, sizeof(HostSetList), 0xEE));
    fuzz->list->set_count = set_count;
    // Not read when there are no stored sets: null or a pointer that faults.
    fuzz->list->stored_sets = random.one_in(2) ? nullptr : static_cast<HostSetRecord*>(last_guard(fuzz->arena));
    if (set_count > 0) {
        fuzz->list->stored_sets =
            static_cast<HostSetRecord*>(guarded(&fuzz->arena, set_count * sizeof(HostSetRecord), 0xA5));
        if (fuzz->list->stored_sets == nullptr) return false;
    }
    for (int32_t i = 0; i < set_count; ++i)
        if (!fill_set(&random, &fuzz->arena, &fuzz->list->stored_sets[i], false)) return false;
    HostSetRecord* current = static_cast<HostSetRecord*>(guarded(&fuzz->arena, sizeof(HostSetRecord), 0xA5));
    if (current == nullptr || !fill_set(&random, &fuzz->arena, current, true)) return false;
    fuzz->list->current_set = current;
    for (int32_t i = 0; i < set_count; ++i) model_rows_of(fuzz, &fuzz->list->stored_sets[i]);
    if (current->closed == 0 && current->leg_count > 0) model_rows_of(fuzz, current);
    return true;
}

// --- The texts that the model expects.

std::string format_number(const char* format, int32_t value) {
    char text[256];
    wsprintfA(text, format, value);
    return text;
}

int32_t plus_one(int32_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) + 1u);
}

struct Formats {
    std::string leg_number, set_ordinal, com_level;
};

std::string module_string(HMODULE module, UINT id) {
    char text[256] = {};
    LoadStringA(module, id, text, sizeof(text));
    return text;
}

std::string list_text(const ModelRow& row, const Formats& formats) {
    if (row.kind == ROW_SET) return format_number("%d", row.set->number);
    return format_number(formats.leg_number.c_str(), row.leg);
}

struct DrawnText {
    std::string text;
    int underline;  // -1: not checked
};

std::vector<DrawnText> expected_draws(const ModelRow& row, const Formats& formats) {
    const HostSetRecord* set = row.set;
    std::vector<DrawnText> draws;
    if (row.kind == ROW_SET) {
        draws.push_back({format_number("%d", set->number), 0});
        if (set->set_mode == 1) draws.push_back({format_number(formats.set_ordinal.c_str(), plus_one(set->set_ordinal)), 0});
        for (int p = 0; p < 2; ++p) {
            const HostPlayerBlock& player = set->players[p];
            std::string label = player.is_computer == 1
                                    ? format_number(formats.com_level.c_str(), plus_one(player.computer_level))
                                    : std::string(player.name);
            draws.push_back({label, player.tally > set->players[1 - p].tally ? 1 : 0});
        }
        return draws;
    }
    draws.push_back({format_number(formats.leg_number.c_str(), row.leg), 0});
    const HostLegRecord& leg = set->legs[row.leg - 1];
    for (int p = 0; p < 2; ++p) {
        bool figure = leg.winner == p && leg.winner_figure > 0;
        draws.push_back({figure ? format_number("%d", leg.winner_figure) : std::string("-"), 0});
    }
    return draws;
}

// --- The module, its shell launch answered without the shell.

long launches = 0;

HINSTANCE WINAPI no_launch(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) {
    ++launches;
    return reinterpret_cast<HINSTANCE>(33);
}

// Which list is open, for a fault that ends the process.
uint32_t open_list_seed = 0;
int open_list_index = -1;

LONG WINAPI report_fault(EXCEPTION_POINTERS* fault) {
    printf("record fuzz: exception 0x%08lX at %p while list %d (seed 0x%08X) was open\n",
           fault->ExceptionRecord->ExceptionCode, fault->ExceptionRecord->ExceptionAddress, open_list_index,
           open_list_seed);
    fflush(stdout);
    return EXCEPTION_EXECUTE_HANDLER;
}

class RecordFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = make_temp_folder("tq7_fuzz");
        ASSERT_TRUE(load_module_copy(folder_, &module_)) << "could not load " << built_module_path();
        void* shell = patch_import(module_.handle, "shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(no_launch));
        ASSERT_NE(nullptr, shell) << "the module should import ShellExecuteA";
        ASSERT_TRUE(install_gdi_probe(module_.handle));
        formats_.leg_number = module_string(module_.handle, IDS_LEG_NUMBER);
        formats_.set_ordinal = module_string(module_.handle, IDS_SET_ORDINAL);
        formats_.com_level = module_string(module_.handle, IDS_COM_LEVEL);
        ASSERT_FALSE(formats_.leg_number.empty());
        ASSERT_TRUE(create_row_canvas(380, 24, &canvas_));
        create_fixture_host(&host_, 60, 60, 700, 600);
        host_.csv_text = "fuzzed set\r\n";
        previous_filter_ = SetUnhandledExceptionFilter(report_fault);
    }
    void TearDown() override {
        SetUnhandledExceptionFilter(previous_filter_);
        destroy_fixture_host(&host_);
        destroy_row_canvas(&canvas_);
        remove_gdi_probe();
        unload_module(&module_);
        remove_folder_tree(folder_);
    }

    void check_list(int index, uint32_t seed);

    std::string folder_;
    LoadedModule module_;
    Formats formats_;
    RowCanvas canvas_;
    FixtureHost host_;
    LPTOP_LEVEL_EXCEPTION_FILTER previous_filter_ = nullptr;
    long rows_checked_ = 0;
};

// What one list's dialog showed, gathered on its own thread.
struct ListSeen {
    std::vector<std::string> texts;
    std::vector<SheetRow> rows;
    std::vector<bool> row_has_record;
    int selected = -1;
    std::vector<int> background_misses;
    std::vector<std::vector<GdiEvent>> draws;
    int output_row = -1;
    size_t csv_requests = 0;
    HostSetRecord* asked = nullptr;
};

void RecordFuzz::check_list(int index, uint32_t seed) {
    FuzzList fuzz;
    ASSERT_TRUE(build_list(seed, &fuzz)) << "could not lay out list " << index;
    const std::string where = "list " + std::to_string(index) + " (replay with TQ7_FUZZ_SEED=" +
                              std::to_string(seed) + " TQ7_FUZZ_LISTS=1)";
    Random random = random_for(seed ^ 0x5EED);
    int rows = static_cast<int>(fuzz.rows.size());
    rows_checked_ += rows;
    ListSeen seen;
    host_.set_list = fuzz.list;
    host_.csv_requests.clear();
    open_list_seed = seed;
    open_list_index = index;
    CommandRun run = run_command(module_, host_.window, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_SET_LIST);
        run_on_dialog_thread(dialog, [&] {
            seen.texts = list_texts(list);
            for (LRESULT data : list_item_data(list)) {
                seen.row_has_record.push_back(data != 0 && data != LB_ERR);
                seen.rows.push_back(data != 0 && data != LB_ERR ? *reinterpret_cast<const SheetRow*>(data) : SheetRow{});
            }
            seen.selected = rows > 0 ? random.between(0, rows - 1) : -1;
            SendMessageA(list, LB_SETCURSEL, seen.selected, 0);
            for (int i = 0; i < rows && static_cast<int>(seen.rows.size()) == rows; ++i) {
                fill_row_canvas(canvas_, RGB(0x12, 0x34, 0x56));
                take_gdi_events();
                arm_gdi_probe(canvas_.dc);
                paint_list_row(dialog, canvas_, i, SendMessageA(list, LB_GETITEMDATA, i, 0), WAIT_MS);
                disarm_gdi_probe();
                const ModelRow& row = fuzz.rows[i];
                bool in_selected = row.set == fuzz.rows[seen.selected].set;
                seen.background_misses.push_back(
                    top_line_misses(canvas_, expected_row_background(row.kind, in_selected)));
                std::vector<GdiEvent> draws;
                for (const GdiEvent& event : take_gdi_events())
                    if (event.kind == GDI_DRAW_TEXT) draws.push_back(event);
                seen.draws.push_back(draws);
            }
            // One random row out; on an empty list there is nothing to output.
            seen.output_row = rows > 0 ? random.between(0, rows - 1) : -1;
            SendMessageA(list, LB_SETCURSEL, seen.output_row, 0);
            SendMessageA(dialog, WM_COMMAND, IDC_OUTPUT, 0);
            seen.csv_requests = host_.csv_requests.size();
            seen.asked = host_.csv_requests.empty() ? nullptr : host_.csv_requests.back();
        }, WAIT_MS);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }, WAIT_MS);
    open_list_index = -1;
    ASSERT_TRUE(run.dialog_seen) << where;
    EXPECT_TRUE(run.ended_in_time) << where;
    EXPECT_EQ(1, run.result) << where;

    ASSERT_EQ(static_cast<size_t>(rows), seen.texts.size()) << where << ": rows listed";
    for (int i = 0; i < rows; ++i) {
        const ModelRow& row = fuzz.rows[i];
        EXPECT_EQ(list_text(row, formats_), seen.texts[i]) << where << ", row " << i;
        ASSERT_TRUE(seen.row_has_record[i]) << where << ", row " << i << ": no record";
        EXPECT_EQ(row.kind, seen.rows[i].row_kind) << where << ", row " << i;
        EXPECT_EQ(row.set, seen.rows[i].row_set) << where << ", row " << i;
        EXPECT_EQ(row.leg, seen.rows[i].leg_number) << where << ", row " << i;
    }
    ASSERT_EQ(static_cast<size_t>(rows), seen.draws.size()) << where << ": rows painted";
    for (int i = 0; i < rows; ++i) {
        const std::string at = where + ", row " + std::to_string(i) + " with row " +
                               std::to_string(seen.selected) + " selected";
        EXPECT_EQ(0, seen.background_misses[i]) << at << ": pixels of the top line off the background";
        std::vector<DrawnText> expected = expected_draws(fuzz.rows[i], formats_);
        ASSERT_EQ(expected.size(), seen.draws[i].size()) << at << ": texts drawn";
        for (size_t t = 0; t < expected.size(); ++t) {
            // GoogleTest shows bytes outside printable ASCII as escapes.
            EXPECT_EQ(expected[t].text, seen.draws[i][t].text) << at << ", text " << t;
            EXPECT_EQ(expected[t].underline, seen.draws[i][t].font.lfUnderline ? 1 : 0)
                << at << ", text " << t << ": underline";
        }
    }
    if (rows == 0) {
        EXPECT_EQ(0u, seen.csv_requests) << where << ": an empty list outputs nothing";
        return;
    }
    ASSERT_EQ(1u, seen.csv_requests) << where << ": output of row " << seen.output_row;
    EXPECT_EQ(fuzz.rows[seen.output_row].set, seen.asked) << where << ": the set asked for by row " << seen.output_row;
}

TEST_F(RecordFuzz, RandomSetListsFollowTheRowAndColourRules) {
    const uint32_t seed = setting("TQ7_FUZZ_SEED", DEFAULT_SEED);
    const int lists = static_cast<int>(setting("TQ7_FUZZ_LISTS", DEFAULT_LISTS));
    printf("[ INFO     ] %d lists from seed %u (code page %u)\n", lists, seed, GetACP());
    for (int i = 0; i < lists && !HasFatalFailure(); ++i) check_list(i, seed + static_cast<uint32_t>(i));
    printf("[ INFO     ] %ld rows listed, painted and checked; %ld outputs\n", rows_checked_, launches);
}

}  // namespace
