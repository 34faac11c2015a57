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
#include "sheet_dialog/set_rows.h"
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
    int test_frees = 0;
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

HLOCAL WINAPI watched_test_local_free(HLOCAL memory) {
    ++heap_watch.test_frees;
    heap_watch.live.erase(memory);
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
        CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_SET_LIST);
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

TEST_F(DialogTest, ReleasingRowsTwiceFreesNothingTheSecondTime) {
    decltype(&LocalFree) test_free = reinterpret_cast<decltype(&LocalFree)>(patch_import(
        GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree", reinterpret_cast<void*>(watched_test_local_free)));
    ASSERT_NE(nullptr, test_free);
    SetFixture fixture;
    build_fixture(&fixture, {1}, {2}, 0, 1, 1);
    FixtureHost host;
    host.set_list = &fixture.list;
    create_fixture_host(&host, 100, 100, 700, 600);
    std::vector<LRESULT> after_first;
    int frees_first = -1;
    int frees_second = -1;
    CommandRun run = run_command(module_, host.window, [&](HWND dialog) {
        // The test's own copy of the code, on the live dialog.
        release_rows(dialog);
        frees_first = heap_watch.test_frees;
        after_first = list_item_data(GetDlgItem(dialog, IDC_SET_LIST));
        release_rows(dialog);
        frees_second = heap_watch.test_frees - frees_first;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    patch_import(GetModuleHandleA(nullptr), "kernel32.dll", "LocalFree", reinterpret_cast<void*>(test_free));
    EXPECT_EQ(1, run.result);
    EXPECT_EQ(3, frees_first);
    EXPECT_EQ(std::vector<LRESULT>(3, 0), after_first);
    EXPECT_EQ(0, frees_second);
    EXPECT_EQ(0, heap_watch.frees) << "the close handling freed rows already released";
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

TEST_F(DialogTest, ResizingKeepsTheListFullAndTheButtonsAnchored) {
    SetFixture fixture;
    build_fixture(&fixture, {1, 2}, {2, 2}, 0, 1, 1);
    FixtureHost host;
    host.set_list = &fixture.list;
    create_fixture_host(&host, 50, 50, 900, 800);
    struct Size {
        int width, height;
    } sizes[] = {{700, 650}, {320, 240}, {900, 400}, {180, 90}};
    run_command(module_, host.window, [&](HWND dialog) {
        RECT client;
        GetClientRect(dialog, &client);
        RECT list = client_rect_of_child(dialog, IDC_SET_LIST);
        const int top = list.top;
        const int bottom_gap = client.bottom - list.bottom;
        EXPECT_EQ(0, list.left);
        EXPECT_EQ(client.right, list.right) << "the list spans the client width from the start";
        const int ids[2] = {IDC_OUTPUT, IDCANCEL};
        RECT buttons[2];
        int right_offsets[2];
        int bottom_offsets[2];
        for (int b = 0; b < 2; ++b) {
            buttons[b] = client_rect_of_child(dialog, ids[b]);
            right_offsets[b] = client.right - buttons[b].left;
            bottom_offsets[b] = client.bottom - buttons[b].top;
        }
        for (const Size& size : sizes) {
            SetWindowPos(dialog, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
            GetClientRect(dialog, &client);
            RECT now = client_rect_of_child(dialog, IDC_SET_LIST);
            int height = client.bottom - top - bottom_gap;
            EXPECT_EQ(0, now.left) << size.width << "x" << size.height;
            EXPECT_EQ(top, now.top) << size.width << "x" << size.height;
            EXPECT_EQ(client.right, now.right) << size.width << "x" << size.height;
            // A window cannot be less than empty: a negative height shows as 0.
            EXPECT_EQ(height < 0 ? 0 : height, now.bottom - now.top) << size.width << "x" << size.height;
            for (int b = 0; b < 2; ++b) {
                RECT button = client_rect_of_child(dialog, ids[b]);
                EXPECT_EQ(right_offsets[b], client.right - button.left) << "button " << b << " at " << size.width;
                EXPECT_EQ(bottom_offsets[b], client.bottom - button.top) << "button " << b << " at " << size.height;
                EXPECT_EQ(buttons[b].right - buttons[b].left, button.right - button.left) << "button " << b;
                EXPECT_EQ(buttons[b].bottom - buttons[b].top, button.bottom - button.top) << "button " << b;
            }
        }
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    destroy_fixture_host(&host);
}

}  // namespace
