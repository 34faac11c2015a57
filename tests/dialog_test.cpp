// The score-sheet dialog through the real module: the rows it lists, the
// records it leaves alone, where it opens, how it lays itself out when resized,
// and how it ends with every row record freed.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "sheet_dialog/sheet_row.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/fixture_host.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/temp_folder.h"

namespace {

// The host's records for one case, laid out as the host holds them.
struct SetFixture {
    std::vector<std::vector<HostLegRecord>> stored_legs;
    std::vector<HostLegRecord> current_legs;
    std::vector<HostSetRecord> stored;
    HostSetRecord current;
    HostSetList list;
};

// A set whose legs pointer must never be read: it points nowhere.
HostLegRecord* const UNREADABLE_LEGS = reinterpret_cast<HostLegRecord*>(0x10);

void build_fixture(SetFixture* fixture, const std::vector<int>& numbers,
                   const std::vector<int>& leg_counts, int current_number, int current_legs,
                   int current_closed) {
    for (int count : leg_counts) {
        std::vector<HostLegRecord> legs;
        for (int n = 0; n < count; ++n) legs.push_back(make_leg(n % 2, 10 + n));
        fixture->stored_legs.push_back(legs);
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        HostLegRecord* legs = leg_counts[i] > 0 ? fixture->stored_legs[i].data() : UNREADABLE_LEGS;
        fixture->stored.push_back(make_set(numbers[i], leg_counts[i], legs));
        lstrcpyA(fixture->stored.back().players[0].name, "Alice");
        lstrcpyA(fixture->stored.back().players[1].name, "Bob");
    }
    for (int n = 0; n < current_legs; ++n) fixture->current_legs.push_back(make_leg(1, 5));
    fixture->current = make_set(current_number, current_legs,
                                current_legs > 0 ? fixture->current_legs.data() : UNREADABLE_LEGS);
    fixture->current.closed = current_closed;
    fixture->list.stored_sets = fixture->stored.empty() ? nullptr : fixture->stored.data();
    fixture->list.set_count = static_cast<int32_t>(fixture->stored.size());
    fixture->list.current_set = &fixture->current;
}

// Every byte that the host owns, to show that the dialog wrote none of them.
std::string record_bytes(const SetFixture& fixture) {
    std::string bytes(reinterpret_cast<const char*>(&fixture.list), sizeof(fixture.list));
    bytes.append(reinterpret_cast<const char*>(&fixture.current), sizeof(fixture.current));
    for (const HostSetRecord& set : fixture.stored)
        bytes.append(reinterpret_cast<const char*>(&set), sizeof(set));
    for (const auto& legs : fixture.stored_legs)
        for (const HostLegRecord& leg : legs) bytes.append(reinterpret_cast<const char*>(&leg), sizeof(leg));
    for (const HostLegRecord& leg : fixture.current_legs)
        bytes.append(reinterpret_cast<const char*>(&leg), sizeof(leg));
    return bytes;
}

// The module's row records, watched through its imports of the local heap.
struct HeapWatch {
    std::set<HLOCAL> live;
    int refuse_allocation = -1;  // this allocation (counted from 0) fails
    int allocations = 0;
    int frees = 0;
};
HeapWatch heap_watch;
decltype(&LocalAlloc) real_local_alloc = nullptr;
decltype(&LocalFree) real_local_free = nullptr;

HLOCAL WINAPI watched_local_alloc(UINT flags, SIZE_T size) {
    HLOCAL memory = heap_watch.allocations == heap_watch.refuse_allocation ? nullptr
                                                                            : real_local_alloc(flags, size);
    EXPECT_EQ(static_cast<UINT>(LMEM_FIXED | LMEM_ZEROINIT), flags);
    EXPECT_EQ(sizeof(SheetRow), size);
    if (memory) heap_watch.live.insert(memory);
    ++heap_watch.allocations;
    return memory;
}

HLOCAL WINAPI watched_local_free(HLOCAL memory) {
    ++heap_watch.frees;
    EXPECT_EQ(1u, heap_watch.live.erase(memory)) << "freed memory it did not hold: " << memory;
    return real_local_free(memory);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = make_temp_folder("tq7_dialog");
        ASSERT_TRUE(load_module_copy(folder_, &module_));
        heap_watch = HeapWatch();
        real_local_alloc = reinterpret_cast<decltype(&LocalAlloc)>(patch_import(
            module_.handle, "kernel32.dll", "LocalAlloc", reinterpret_cast<void*>(watched_local_alloc)));
        real_local_free = reinterpret_cast<decltype(&LocalFree)>(patch_import(
            module_.handle, "kernel32.dll", "LocalFree", reinterpret_cast<void*>(watched_local_free)));
        ASSERT_NE(nullptr, real_local_alloc);
        ASSERT_NE(nullptr, real_local_free);
    }
    void TearDown() override {
        unload_module(&module_);
        remove_folder_tree(folder_);
    }
    std::string folder_;
    LoadedModule module_;
};

struct ExpectedRow {
    const char* text;
    int32_t kind;
    int set;  // index of the stored set, or -1 for the current set
    int32_t leg;
};

struct RowCase {
    const char* what;
    std::vector<int> numbers;
    std::vector<int> leg_counts;
    int current_legs;
    int current_closed;
    int set_count_override;  // used with a null array when not 1
    std::vector<ExpectedRow> rows;
};

TEST_F(DialogTest, ListsEachSetFollowedByItsLegs) {
    const RowCase cases[] = {
        {"two stored sets and a closed current set", {11, 12}, {3, 2}, 2, 1, 1,
         {{"11", ROW_SET, 0, 0}, {"1 Legs", ROW_LEG, 0, 1}, {"2 Legs", ROW_LEG, 0, 2},
          {"3 Legs", ROW_LEG, 0, 3}, {"12", ROW_SET, 1, 0}, {"1 Legs", ROW_LEG, 1, 1},
          {"2 Legs", ROW_LEG, 1, 2}}},
        {"an open current set without legs", {11}, {1}, 0, 0, 1,
         {{"11", ROW_SET, 0, 0}, {"1 Legs", ROW_LEG, 0, 1}}},
        {"an open current set with one leg", {11}, {1}, 1, 0, 1,
         {{"11", ROW_SET, 0, 0}, {"1 Legs", ROW_LEG, 0, 1}, {"99", ROW_SET, -1, 0},
          {"1 Legs", ROW_LEG, -1, 1}}},
        {"no stored sets and a null array", {}, {}, 2, 0, 0,
         {{"99", ROW_SET, -1, 0}, {"1 Legs", ROW_LEG, -1, 1}, {"2 Legs", ROW_LEG, -1, 2}}},
        {"a negative set count and a null array", {}, {}, 1, 0, -4,
         {{"99", ROW_SET, -1, 0}, {"1 Legs", ROW_LEG, -1, 1}}},
        {"stored sets with no and negative leg counts", {11, 12}, {0, -2}, 0, 1, 1,
         {{"11", ROW_SET, 0, 0}, {"12", ROW_SET, 1, 0}}},
        {"a negative set number", {-3}, {2}, 0, 1, 1,
         {{"-3", ROW_SET, 0, 0}, {"1 Legs", ROW_LEG, 0, 1}, {"2 Legs", ROW_LEG, 0, 2}}},
        {"nothing to list", {}, {}, 3, 1, 0, {}},
    };
    for (const RowCase& c : cases) {
        SetFixture fixture;
        build_fixture(&fixture, c.numbers, c.leg_counts, 99, c.current_legs, c.current_closed);
        if (c.set_count_override != 1) fixture.list.set_count = c.set_count_override;
        const std::string before = record_bytes(fixture);
        FixtureHost host;
        host.set_list = &fixture.list;
        create_fixture_host(&host, 100, 100, 700, 600);

        std::vector<std::string> texts;
        std::vector<SheetRow> rows;
        std::vector<LRESULT> data;
        LRESULT selection = -2;
        BOOL output_enabled = -1;
        LRESULT row_height = -1;
        CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_SET_LIST);
            row_height = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
            texts = list_texts(list);
            data = list_item_data(list);
            for (LRESULT item : data) rows.push_back(*reinterpret_cast<const SheetRow*>(item));
            selection = SendMessageA(list, LB_GETCURSEL, 0, 0);
            output_enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_OUTPUT));
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(1, run.result) << c.what;
        EXPECT_TRUE(run.dialog_seen) << c.what;
        EXPECT_TRUE(run.ended_in_time) << c.what;
        ASSERT_EQ(c.rows.size(), texts.size()) << c.what;
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const ExpectedRow& want = c.rows[i];
            HostSetRecord* set = want.set < 0 ? &fixture.current : &fixture.stored[want.set];
            EXPECT_EQ(want.text, texts[i]) << c.what << ", row " << i;
            EXPECT_EQ(want.kind, rows[i].row_kind) << c.what << ", row " << i;
            EXPECT_EQ(set, rows[i].row_set) << c.what << ", row " << i;
            EXPECT_EQ(want.leg, rows[i].leg_number) << c.what << ", row " << i;
        }
        // The list measures its rows once it holds one.
        if (!c.rows.empty()) {
            EXPECT_EQ(24, row_height) << c.what << ": every row is 24 pixels high";
        }
        EXPECT_EQ(c.rows.empty() ? LB_ERR : 0, selection) << c.what;
        EXPECT_EQ(c.rows.empty() ? FALSE : TRUE, output_enabled) << c.what;
        EXPECT_EQ(before, record_bytes(fixture)) << c.what << ": the host's records were written";
        EXPECT_EQ(static_cast<int>(c.rows.size()), heap_watch.allocations) << c.what;
        EXPECT_TRUE(heap_watch.live.empty()) << c.what << ": row records left after the dialog";
        heap_watch = HeapWatch();
        destroy_fixture_host(&host);
    }
}

TEST_F(DialogTest, EveryWayOfEndingFreesTheRows) {
    struct Case {
        const char* what;
        void (*end)(HWND dialog);
    } cases[] = {
        {"the Close button",
         [](HWND dialog) { PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0); }},
        {"Escape",
         [](HWND dialog) {
             HWND list = GetDlgItem(dialog, IDC_SET_LIST);
             PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
             PostMessageA(list, WM_KEYUP, VK_ESCAPE, 0xC0010001);
         }},
        {"WM_CLOSE", [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }},
        {"the close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SetFixture fixture;
        build_fixture(&fixture, {1, 2}, {3, 1}, 99, 2, 0);
        FixtureHost host;
        host.set_list = &fixture.list;
        create_fixture_host(&host, 100, 100, 700, 600);
        size_t live_while_open = 0;
        CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
            live_while_open = heap_watch.live.size();
            c.end(dialog);
        });
        EXPECT_EQ(1, run.result) << c.what;
        EXPECT_TRUE(run.ended_in_time) << c.what << " did not end the dialog";
        EXPECT_EQ(9u, live_while_open) << c.what;
        EXPECT_EQ(9, heap_watch.frees) << c.what;
        EXPECT_TRUE(heap_watch.live.empty()) << c.what;
        heap_watch = HeapWatch();
        destroy_fixture_host(&host);
    }
}

// The dialog's procedure wrapped so that it handles one WM_CLOSE twice, as
// when a second close arrives before the dialog is gone.
WNDPROC dialog_proc_before = nullptr;
struct FirstClose {
    int frees = -1;
    std::vector<LRESULT> item_data;
};
FirstClose first_close;

LRESULT CALLBACK close_twice(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CLOSE) return CallWindowProcA(dialog_proc_before, dialog, message, wParam, lParam);
    CallWindowProcA(dialog_proc_before, dialog, message, wParam, lParam);
    first_close.frees = heap_watch.frees;
    first_close.item_data = list_item_data(GetDlgItem(dialog, IDC_SET_LIST));
    return CallWindowProcA(dialog_proc_before, dialog, message, wParam, lParam);
}

TEST_F(DialogTest, ASecondCloseFreesNothing) {
    SetFixture fixture;
    build_fixture(&fixture, {1}, {2}, 0, 1, 1);
    FixtureHost host;
    host.set_list = &fixture.list;
    create_fixture_host(&host, 100, 100, 700, 600);
    first_close = FirstClose();
    CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
        dialog_proc_before = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(close_twice)));
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(1, run.result);
    EXPECT_TRUE(run.ended_in_time);
    EXPECT_EQ(3, first_close.frees) << "rows freed by the first close";
    EXPECT_EQ(std::vector<LRESULT>(3, 0), first_close.item_data) << "item data after the first close";
    EXPECT_EQ(3, heap_watch.frees) << "the second close freed rows already released";
    EXPECT_TRUE(heap_watch.live.empty());
    destroy_fixture_host(&host);
}

// The rows that the dialog paints, noted by a wrapper of its procedure.
volatile LONG rows_drawn = 0;  // one bit per row

LRESULT CALLBACK note_drawn_rows(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        UINT item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->itemID;
        if (item < 32) InterlockedOr(&rows_drawn, static_cast<LONG>(1u << item));
    }
    return CallWindowProcA(dialog_proc_before, dialog, message, wParam, lParam);
}

TEST_F(DialogTest, ChoosingARowRepaintsTheGroupsItLeavesAndJoins) {
    SetFixture fixture;
    // Rows: 0 set 1, 1-3 its legs, 4 set 2, 5-6 its legs, 7 set 3, 8 its leg.
    build_fixture(&fixture, {1, 2, 3}, {3, 2, 1}, 0, 1, 1);
    FixtureHost host;
    host.set_list = &fixture.list;
    create_fixture_host(&host, 100, 100, 700, 600);
    LONG drawn = 0;
    LRESULT selection = LB_ERR;
    CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_SET_LIST);
        dialog_proc_before = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(note_drawn_rows)));
        send_bounded(list, WM_PAINT, 0, 0, 10000);
        Sleep(300);
        InterlockedExchange(&rows_drawn, 0);
        // The user clicks a leg of set 2 while set 1 is selected.
        RECT item = {};
        SendMessageA(list, LB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&item));
        LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        send_bounded(list, WM_LBUTTONDOWN, MK_LBUTTON, point, 10000);
        send_bounded(list, WM_LBUTTONUP, 0, point, 10000);
        // Repaints that were only asked for get their time.
        Sleep(500);
        send_bounded(dialog, WM_NULL, 0, 0, 10000);
        drawn = InterlockedExchange(&rows_drawn, 0);
        selection = SendMessageA(list, LB_GETCURSEL, 0, 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(run.ended_in_time);
    EXPECT_EQ(5, selection);
    std::string missing;
    for (int row = 0; row <= 6; ++row)
        if ((drawn & (1 << row)) == 0) missing += " " + std::to_string(row);
    EXPECT_EQ("", missing) << "rows of sets 1 and 2 not repainted after the click";
    destroy_fixture_host(&host);
}

TEST_F(DialogTest, ARowWithoutARecordStaysEmpty) {
    SetFixture fixture;
    build_fixture(&fixture, {1, 2}, {2, 1}, 0, 1, 1);
    FixtureHost host;
    host.set_list = &fixture.list;
    create_fixture_host(&host, 100, 100, 700, 600);
    // Once the second leg of set 1 gets no record, once set 2's own row.
    for (int refused : {2, 3}) {
        heap_watch = HeapWatch();
        heap_watch.refuse_allocation = refused;
        std::vector<std::string> texts;
        std::vector<LRESULT> data;
        CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_SET_LIST);
            // Painting and output both meet the empty row.
            SendMessageA(list, LB_SETCURSEL, refused, 0);
            SendMessageA(dialog, WM_COMMAND, IDC_OUTPUT, 0);
            InvalidateRect(list, nullptr, TRUE);
            UpdateWindow(list);
            texts = list_texts(list);
            data = list_item_data(list);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(1, run.result);
        EXPECT_TRUE(run.ended_in_time);
        EXPECT_EQ(std::vector<std::string>({"1", "1 Legs", "2 Legs", "2", "1 Legs"}), texts);
        ASSERT_EQ(5u, data.size());
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(i == refused, data[i] == 0) << "row " << i << " with allocation " << refused << " refused";
        EXPECT_TRUE(host.csv_requests.empty()) << "an empty row has no set to output";
        EXPECT_EQ(4, heap_watch.frees);
        EXPECT_TRUE(heap_watch.live.empty());
    }
    heap_watch = HeapWatch();
    destroy_fixture_host(&host);
}

RECT window_rect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

TEST_F(DialogTest, OpensCentredOverTheHostWindow) {
    struct Case {
        const char* what;
        int x, y, width, height;
        bool x_clamped, y_clamped;
    } cases[] = {
        {"a host larger than the dialog", 100, 80, 1000, 800, false, false},
        {"a host smaller than the dialog", 500, 400, 200, 120, false, false},
        {"a host partly left of the screen", -900, 150, 1000, 700, true, false},
        {"a host partly above the screen", 150, -800, 900, 900, false, true},
        {"a host past the right edge", 1500, 100, 900, 700, false, false},
    };
    for (const Case& c : cases) {
        SetFixture fixture;
        build_fixture(&fixture, {1}, {1}, 0, 1, 1);
        FixtureHost host;
        host.set_list = &fixture.list;
        create_fixture_host(&host, c.x, c.y, c.width, c.height);
        RECT host_rect = window_rect(host.window);
        RECT dialog_rect = {};
        run_command(module_, host.window, [&](HWND dialog) {
            dialog_rect = window_rect(dialog);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        });
        int width = dialog_rect.right - dialog_rect.left;
        int height = dialog_rect.bottom - dialog_rect.top;
        int want_x = host_rect.left + ((host_rect.right - host_rect.left) - width) / 2;
        int want_y = host_rect.top + ((host_rect.bottom - host_rect.top) - height) / 2;
        EXPECT_EQ(c.x_clamped, want_x < 0) << c.what << ": the case does not test what it says";
        EXPECT_EQ(c.y_clamped, want_y < 0) << c.what << ": the case does not test what it says";
        EXPECT_EQ(want_x < 0 ? 0 : want_x, dialog_rect.left) << c.what;
        EXPECT_EQ(want_y < 0 ? 0 : want_y, dialog_rect.top) << c.what;
        destroy_fixture_host(&host);
    }
}

RECT client_rect_of_child(HWND dialog, int id) {
    RECT rect = window_rect(GetDlgItem(dialog, id));
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A control's place in the resource script, in dialog units.
struct TemplatePlace {
    int id;
    const char* name;
    int x, y, cx, cy;
};
const TemplatePlace LIST_PLACE = {IDC_SET_LIST, "the list", 0, 20, 252, 235};
const TemplatePlace BUTTON_PLACES[2] = {{IDC_OUTPUT, "\"Output\"", 145, 260, 50, 14},
                                        {IDCANCEL, "\"Close\"", 199, 260, 50, 14}};
const int TEMPLATE_CX = 253;
const int TEMPLATE_CY = 278;

// Position and size in pixels, each number converted on its own from dialog
// units as the dialog manager converts a template's numbers.
RECT place_in_pixels(HWND dialog, int x, int y, int cx, int cy) {
    RECT numbers = {x, y, cx, cy};
    MapDialogRect(dialog, &numbers);
    return numbers;
}

std::string describe_place(int x, int y, int width, int height) {
    return "(" + std::to_string(x) + "," + std::to_string(y) + ") " + std::to_string(width) + "x" +
           std::to_string(height);
}

// Where each control belongs in a client of the given size, from the template
// alone: the list spans the width and keeps the template's gap below it, the
// buttons keep their template distances to the bottom-right corner.
std::string layout_mismatches(HWND dialog, int client_width, int client_height) {
    RECT client_template = place_in_pixels(dialog, 0, 0, TEMPLATE_CX, TEMPLATE_CY);
    std::string mismatches;
    auto compare = [&](const TemplatePlace& place, int x, int y, int width, int height) {
        RECT now = client_rect_of_child(dialog, place.id);
        std::string want = describe_place(x, y, width, height);
        std::string got = describe_place(now.left, now.top, now.right - now.left, now.bottom - now.top);
        if (want != got) mismatches += std::string(" ") + place.name + ": expected " + want + ", got " + got + ";";
    };
    RECT list = place_in_pixels(dialog, LIST_PLACE.x, LIST_PLACE.y, LIST_PLACE.cx, LIST_PLACE.cy);
    int gap_below_list = client_template.bottom - (list.top + list.bottom);
    int list_height = client_height - list.top - gap_below_list;
    // A window cannot be less than empty: a negative height shows as 0.
    compare(LIST_PLACE, 0, list.top, client_width, list_height < 0 ? 0 : list_height);
    for (const TemplatePlace& place : BUTTON_PLACES) {
        RECT button = place_in_pixels(dialog, place.x, place.y, place.cx, place.cy);
        compare(place, client_width - (client_template.right - button.left),
                client_height - (client_template.bottom - button.top), button.right, button.bottom);
    }
    return mismatches;
}

TEST_F(DialogTest, LayoutFollowsTheTemplateAtEverySize) {
    SetFixture fixture;
    build_fixture(&fixture, {1, 2}, {2, 2}, 0, 1, 1);
    FixtureHost host;
    host.set_list = &fixture.list;
    create_fixture_host(&host, 50, 50, 900, 800);
    struct Size {
        int width, height;  // of the window; 0 for the size it opens at
    } sizes[] = {{0, 0}, {700, 650}, {320, 240}, {900, 400}, {180, 90}};
    run_command(module_, host.window, [&](HWND dialog) {
        RECT client_template = place_in_pixels(dialog, 0, 0, TEMPLATE_CX, TEMPLATE_CY);
        for (const Size& size : sizes) {
            if (size.width > 0)
                SetWindowPos(dialog, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
            RECT client;
            GetClientRect(dialog, &client);
            std::string what = size.width > 0 ? "at " + std::to_string(size.width) + "x" +
                                                    std::to_string(size.height)
                                              : std::string("as opened");
            if (size.width == 0) {
                EXPECT_EQ(describe_place(0, 0, client_template.right, client_template.bottom),
                          describe_place(0, 0, client.right, client.bottom))
                    << "the client " << what << " should be the template's";
            }
            EXPECT_EQ("", layout_mismatches(dialog, client.right, client.bottom)) << what;
        }
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    destroy_fixture_host(&host);
}

}  // namespace
