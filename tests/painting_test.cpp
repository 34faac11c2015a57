// Painting the list's rows: the pixels that the real module paints into a
// bitmap of the test's own, the list font, the texts and fonts that each row
// draws, and the GDI objects that a paint makes and frees.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/list_font.h"
#include "sheet_dialog/sheet_row.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/fixture_host.h"
#include "tests/support/gdi_probe.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/row_canvas.h"
#include "tests/support/temp_folder.h"

namespace {

const COLORREF LIGHT_YELLOW = RGB(255, 255, 200);
// Painted first over the whole bitmap: any of it left shows a pixel the row missed.
const COLORREF SENTINEL = RGB(0x12, 0x34, 0x56);
const UINT LEFT_FLAGS = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
const UINT CENTRED_FLAGS = LEFT_FLAGS | DT_CENTER;
const DWORD SEND_TIMEOUT_MS = 5000;

std::string hex(COLORREF colour) {
    char text[16];
    snprintf(text, sizeof(text), "%06lX", static_cast<unsigned long>(colour));
    return text;
}

// The answer to a message, reporting a failure when none came in time.
LRESULT answer_to(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = 0;
    if (!::send_bounded(window, message, wParam, lParam, SEND_TIMEOUT_MS, &answer))
        ADD_FAILURE() << "message " << message << " got no answer in " << SEND_TIMEOUT_MS << " ms";
    return answer;
}

// --- The system's metrics that the expectations come from.

LOGFONTA menu_font() {
    NONCLIENTMETRICSA metrics;
    memset(&metrics, 0, sizeof(metrics));
    metrics.cbSize = sizeof(metrics);
    EXPECT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    return metrics.lfMenuFont;
}

int screen_pixels_per_inch() {
    HDC screen = GetDC(nullptr);
    int pixels = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The width the module is told "8888" takes in a leg row's font, through its
// import of GetTextExtentPoint32A: the boxes then lie where the literal
// rectangles below put them, whatever the system's fonts.
const int DIGITS_WIDTH = 40;
std::string measured_text;
decltype(&GetTextExtentPoint32A) real_text_extent = nullptr;

BOOL WINAPI fixed_text_extent(HDC dc, LPCSTR text, int length, LPSIZE size) {
    measured_text.assign(text, length);
    BOOL measured = real_text_extent(dc, text, length, size);
    size->cx = DIGITS_WIDTH;
    return measured;
}

// --- Rows are painted into a RowCanvas made on the script's thread and
// painted on the dialog's.

// Pixels of colour in [left, right) x [top, bottom).
int count_colour(const RowCanvas& bitmap, RECT area, COLORREF colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += row_canvas_pixel(bitmap, x, y) == colour;
    return count;
}

// Sends the list's WM_DRAWITEM to the dialog, as the list itself would.
void paint_row(HWND dialog, HDC dc, RECT rect, int item, ULONG_PTR item_data) {
    DRAWITEMSTRUCT request = list_row_request(GetDlgItem(dialog, IDC_SET_LIST), dc, rect, item, item_data, 0);
    GdiFlush();
    answer_to(dialog, WM_DRAWITEM, IDC_SET_LIST, reinterpret_cast<LPARAM>(&request));
    GdiFlush();
}

ULONG_PTR row_data(HWND dialog, int item) {
    return static_cast<ULONG_PTR>(answer_to(GetDlgItem(dialog, IDC_SET_LIST), LB_GETITEMDATA, item, 0));
}

// --- The dialog, watched: while it handles a WM_DRAWITEM for the watched
// device context the probe records what the module does, and nothing else.

WNDPROC dialog_proc_before = nullptr;
HDC watched_dc = nullptr;

LRESULT CALLBACK watch_draw_item(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool watch = message == WM_DRAWITEM && watched_dc != nullptr &&
                 reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC == watched_dc;
    if (watch) arm_gdi_probe(watched_dc);
    LRESULT result = CallWindowProcA(dialog_proc_before, window, message, wParam, lParam);
    if (watch) disarm_gdi_probe();
    return result;
}

void watch_dialog(HWND dialog, HDC dc) {
    watched_dc = dc;
    dialog_proc_before = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch_draw_item)));
}

void unwatch_dialog(HWND dialog) {
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(dialog_proc_before));
    watched_dc = nullptr;
}

// --- The host's records: four stored sets and a closed current set, listed as
//   0 A, 1-3 A's legs, 4 B, 5-6 B's legs, 7 C, 8 C's leg, 9 D, 10 D's leg.

const int ROW_COUNT = 11;
const char UNTERMINATED_NAME_SHOWN[] =
    "NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN";  // 75 bytes

void set_player(HostPlayerBlock* player, const char* name, int tally, int is_computer, int level) {
    lstrcpynA(player->name, name, sizeof(player->name));
    player->tally = tally;
    player->is_computer = is_computer;
    player->computer_level = level;
}

struct SheetRecords {
    HostLegRecord legs_a[3];
    HostLegRecord legs_b[2];
    HostLegRecord legs_c[1];
    HostLegRecord legs_d[1];
    HostLegRecord legs_current[1];
    HostSetRecord stored[4];
    HostSetRecord current;
    HostSetList list;
};

void fill_records(SheetRecords* records) {
    records->legs_a[0] = make_leg(0, 12);
    records->legs_a[1] = make_leg(1, 15);
    records->legs_a[2] = make_leg(-1, 9);
    records->legs_b[0] = make_leg(0, 0);
    records->legs_b[1] = make_leg(1, 7);
    records->legs_c[0] = make_leg(2, 5);
    records->legs_d[0] = make_leg(0, 100);
    records->legs_current[0] = make_leg(0, 3);

    HostSetRecord& a = records->stored[0];
    a = make_set(-3, 3, records->legs_a);
    a.set_mode = 1;
    a.set_ordinal = 0;
    set_player(&a.players[0], "Alice", 2, 0, 0);
    set_player(&a.players[1], "ignored for a computer", 1, 1, 2);

    HostSetRecord& b = records->stored[1];
    b = make_set(2, 2, records->legs_b);
    b.set_mode = 0;
    b.set_ordinal = 3;
    set_player(&b.players[0], "Bob", 1, 2, 5);
    set_player(&b.players[1], "Carol", 1, 0, 0);

    HostSetRecord& c = records->stored[2];
    c = make_set(17, 1, records->legs_c);
    c.set_mode = 2;
    c.set_ordinal = 4;
    // A name that fills its whole field without a terminator.
    memset(c.players[0].name, 'N', sizeof(c.players[0].name));
    c.players[0].tally = -1;
    set_player(&c.players[1], "Eve", 0, 0, 0);

    HostSetRecord& d = records->stored[3];
    d = make_set(4, 1, records->legs_d);
    d.set_mode = 1;
    d.set_ordinal = 8;
    set_player(&d.players[0], "", INT_MIN, 1, 0);
    set_player(&d.players[1], "Fay", INT_MAX, 0, 0);

    records->current = make_set(5, 1, records->legs_current);
    records->current.closed = 1;
    records->list.stored_sets = records->stored;
    records->list.set_count = 4;
    records->list.current_set = &records->current;
}

// What each list row is: its set, its kind and which box shows a figure.
struct RowShape {
    int set;     // index into stored
    bool is_set_row;
    int figure_box;  // leg rows: the box that shows a figure, or -1
};

const RowShape ROWS[ROW_COUNT] = {
    {0, true, -1}, {0, false, 0},  {0, false, 1}, {0, false, -1}, {1, true, -1}, {1, false, -1},
    {1, false, 1}, {2, true, -1},  {2, false, -1}, {3, true, -1}, {3, false, 0},
};

class PaintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = make_temp_folder("tq7_paint");
        ASSERT_FALSE(folder_.empty());
        ASSERT_TRUE(load_module_copy(folder_, &module_)) << "could not load " << built_module_path();
        real_text_extent = reinterpret_cast<decltype(&GetTextExtentPoint32A)>(patch_import(
            module_.handle, "gdi32.dll", "GetTextExtentPoint32A", reinterpret_cast<void*>(fixed_text_extent)));
        ASSERT_NE(nullptr, real_text_extent) << "the module's import of GetTextExtentPoint32A";
        fill_records(&records_);
        host_.set_list = &records_.list;
        create_fixture_host(&host_, 80, 80, 700, 600);
        ASSERT_NE(nullptr, host_.window);
    }
    void TearDown() override {
        remove_gdi_probe();
        destroy_fixture_host(&host_);
        unload_module(&module_);
        remove_folder_tree(folder_);
    }
    // Runs the dialog with script, which the dialog's closing follows.
    void run_dialog(const std::function<void(HWND dialog)>& script) {
        CommandRun run = run_command(module_, host_.window, [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_SET_LIST);
            if (answer_to(list, LB_GETCOUNT, 0, 0) == ROW_COUNT) {
                script(dialog);
            } else {
                ADD_FAILURE() << "the list should hold " << ROW_COUNT << " rows";
            }
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_TRUE(run.dialog_seen);
        EXPECT_TRUE(run.ended_in_time);
    }
    std::string folder_;
    LoadedModule module_;
    SheetRecords records_;
    FixtureHost host_;
};

// --- The pixels of whole rows.

struct RowColours {
    COLORREF text;
    COLORREF background;
};

RowColours expected_colours(const RowShape& row, bool in_selected_set) {
    if (row.is_set_row) {
        if (in_selected_set) return {GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)};
        return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_BTNFACE)};
    }
    if (in_selected_set) return {GetSysColor(COLOR_WINDOWTEXT), LIGHT_YELLOW};
    return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)};
}

// Where the parts of a row painted at (0,0)-(380,24) lie. The columns are a
// sixth, a third and two thirds of 380; each box is DIGITS_WIDTH wide, centred
// in its 127-pixel column ((127 - 40) / 2 = 43), one pixel inside the row; the
// line runs at y 12 from box 0's right edge up to box 1's left edge.
const RECT ROW_RECT = {0, 0, 380, 24};
const RECT COLUMN_NUMBER = {4, 0, 63, 24};
const RECT COLUMN_ORDINAL = {63, 0, 126, 24};
const RECT COLUMN_PLAYER[2] = {{126, 0, 253, 24}, {253, 0, 380, 24}};
const RECT ROW_BOX[2] = {{169, 1, 209, 23}, {296, 1, 336, 23}};
const int LINE_Y = 12;

bool inside(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

void expect_background_everywhere(const RowCanvas& bitmap, COLORREF background, const std::string& what) {
    int sentinel = count_colour(bitmap, ROW_RECT, SENTINEL);
    int other = ROW_RECT.right * ROW_RECT.bottom - count_colour(bitmap, ROW_RECT, background);
    EXPECT_EQ(0, other) << what << ": every pixel should be " << hex(background) << "; " << other
                        << " are not (" << sentinel << " left unpainted)";
}

// The parts of a row, each with the colours that its pixels may have.
enum Region { BARE, TEXT_CELLS, FRAME_0, INSIDE_0, FRAME_1, INSIDE_1, LINE, REGION_COUNT };
const char* const REGION_NAMES[REGION_COUNT] = {"outside the texts", "the text cells", "box 0's frame",
                                                "inside box 0", "box 1's frame", "inside box 1", "the line"};

Region region_of(const RowShape& row, int x, int y) {
    // A set row's texts fill its columns; only the inset before the number is bare.
    if (row.is_set_row) return x < COLUMN_NUMBER.left ? BARE : TEXT_CELLS;
    if (inside(COLUMN_ORDINAL, x, y)) return TEXT_CELLS;
    for (int p = 0; p < 2; ++p) {
        const RECT& box = ROW_BOX[p];
        if (!inside(box, x, y)) continue;
        bool edge = x == box.left || x == box.right - 1 || y == box.top || y == box.bottom - 1;
        return static_cast<Region>((edge ? FRAME_0 : INSIDE_0) + 2 * p);
    }
    if (y == LINE_Y && x >= ROW_BOX[0].right && x < ROW_BOX[1].left) return LINE;
    return BARE;
}

// Every pixel of the row against the colours its region allows, each broken
// rule reported once with how many pixels broke it and the first of them.
std::string row_rule_mismatches(const RowCanvas& bitmap, const RowShape& row, RowColours colours) {
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF frame[2];
    for (int p = 0; p < 2; ++p) frame[p] = row.figure_box == p ? colours.text : shadow;
    const std::vector<COLORREF> allowed[REGION_COUNT] = {
        {colours.background}, {colours.background, colours.text}, {frame[0]}, {colours.background, frame[0]},
        {frame[1]}, {colours.background, frame[1]}, {shadow}};
    int broken[REGION_COUNT] = {};
    std::string first[REGION_COUNT];
    for (int y = ROW_RECT.top; y < ROW_RECT.bottom; ++y) {
        for (int x = ROW_RECT.left; x < ROW_RECT.right; ++x) {
            Region region = region_of(row, x, y);
            COLORREF colour = row_canvas_pixel(bitmap, x, y);
            bool allowed_here = false;
            for (COLORREF ok : allowed[region]) allowed_here = allowed_here || ok == colour;
            if (allowed_here) continue;
            if (broken[region]++ == 0)
                first[region] = hex(colour) + " at " + std::to_string(x) + "," + std::to_string(y);
        }
    }
    std::string mismatches;
    for (int r = 0; r < REGION_COUNT; ++r) {
        if (broken[r] == 0) continue;
        std::string expected;
        for (COLORREF ok : allowed[r]) expected += (expected.empty() ? "" : " or ") + hex(ok);
        mismatches += std::string(" ") + REGION_NAMES[r] + ": expected " + expected + ", got " +
                      std::to_string(broken[r]) + " other pixels, the first " + first[r] + ";";
    }
    return mismatches;
}

void expect_row_pixels(const RowCanvas& bitmap, const RowShape& row, bool in_selected_set, const std::string& what) {
    RowColours colours = expected_colours(row, in_selected_set);
    EXPECT_EQ("", row_rule_mismatches(bitmap, row, colours)) << what;
    // The rules allow a text cell left bare: each text must be there.
    std::vector<std::pair<RECT, COLORREF>> texts;
    if (row.is_set_row) {
        texts = {{COLUMN_NUMBER, colours.text}, {COLUMN_PLAYER[0], colours.text}, {COLUMN_PLAYER[1], colours.text}};
    } else {
        texts = {{COLUMN_ORDINAL, colours.text}};
        for (int p = 0; p < 2; ++p) {
            const RECT& box = ROW_BOX[p];
            RECT within = {box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
            texts.push_back({within, row.figure_box == p ? colours.text : GetSysColor(COLOR_BTNSHADOW)});
        }
    }
    std::string missing;
    for (const auto& text : texts)
        if (count_colour(bitmap, text.first, text.second) == 0)
            missing += " no " + hex(text.second) + " text in (" + std::to_string(text.first.left) + "," +
                       std::to_string(text.first.top) + ")-(" + std::to_string(text.first.right) + "," +
                       std::to_string(text.first.bottom) + ");";
    EXPECT_EQ("", missing) << what;
}

// The module's fonts made without smoothing, through its import of
// CreateFontIndirectA, so that every text pixel is ink or background and a
// text cell painted in any other colour shows.
HFONT WINAPI crisp_font(const LOGFONTA* font) {
    LOGFONTA crisp = *font;
    crisp.lfQuality = NONANTIALIASED_QUALITY;
    return CreateFontIndirectA(&crisp);
}

TEST_F(PaintingTest, RowsShowTheirGroupColoursBoxesAndLine) {
    ASSERT_NE(nullptr, patch_import(module_.handle, "gdi32.dll", "CreateFontIndirectA",
                                    reinterpret_cast<void*>(crisp_font)));
    // The checks tell the colours apart only when the scheme does.
    std::set<COLORREF> backgrounds = {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_BTNFACE),
                                      GetSysColor(COLOR_WINDOW), LIGHT_YELLOW, GetSysColor(COLOR_BTNSHADOW)};
    ASSERT_EQ(5u, backgrounds.size()) << "the colour scheme repeats a colour";
    ASSERT_NE(GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_BTNSHADOW));
    run_dialog([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_SET_LIST);
        RowCanvas bitmap;
        ASSERT_TRUE(create_row_canvas(ROW_RECT.right, ROW_RECT.bottom, &bitmap));
        struct Selection {
            int row;  // what becomes selected
            int set;  // the set whose rows are highlighted then
        } selections[] = {{-1, 0}, {5, 1}, {7, 2}, {3, 0}};
        for (const Selection& selection : selections) {
            // -1: the selection that the dialog made itself.
            if (selection.row >= 0) answer_to(list, LB_SETCURSEL, selection.row, 0);
            for (int i = 0; i < ROW_COUNT; ++i) {
                fill_row_canvas(bitmap, SENTINEL);
                paint_row(dialog, bitmap.dc, ROW_RECT, i, row_data(dialog, i));
                std::string what = "row " + std::to_string(i) + " with row " +
                                   std::to_string(selection.row < 0 ? 0 : selection.row) + " selected";
                expect_row_pixels(bitmap, ROWS[i], ROWS[i].set == selection.set, what);
            }
        }

        // Rows without a record, and records of a kind that is neither set nor leg.
        SheetRow odd_of_selected = {2, &records_.stored[0], 1};
        SheetRow odd_of_other = {-1, &records_.stored[1], 1};
        answer_to(list, LB_SETCURSEL, 0, 0);
        struct Plain {
            ULONG_PTR data;
            COLORREF background;
            const char* what;
        } plains[] = {
            {0, GetSysColor(COLOR_WINDOW), "null item data"},
            {0x80000000u, GetSysColor(COLOR_WINDOW), "item data negative as a signed value"},
            {0xFFFFFFFFu, GetSysColor(COLOR_WINDOW), "item data -1"},
            {reinterpret_cast<ULONG_PTR>(&odd_of_selected), LIGHT_YELLOW, "row kind 2 of the selected set"},
            {reinterpret_cast<ULONG_PTR>(&odd_of_other), GetSysColor(COLOR_WINDOW), "row kind -1 of another set"},
        };
        for (const Plain& plain : plains) {
            fill_row_canvas(bitmap, SENTINEL);
            paint_row(dialog, bitmap.dc, ROW_RECT, 0, plain.data);
            expect_background_everywhere(bitmap, plain.background, plain.what);
        }
        EXPECT_EQ("8888", measured_text) << "the text a box is measured by";
        destroy_row_canvas(&bitmap);
    });
}

// --- The list font.

TEST(ListFont, MenuFontWithTheGivenSizeWeightAndUnderline) {
    LOGFONTA menu = menu_font();
    int pixels_per_inch = screen_pixels_per_inch();
    struct Case {
        int point_size, weight, underline;
    } cases[] = {{12, 700, 0}, {12, 0, 1}, {5, -1, 0}, {0, 400, 1}, {-4, 0, 0}, {12, 1, 0}};
    for (const Case& c : cases) {
        std::string what = "make_list_font(" + std::to_string(c.point_size) + ", " + std::to_string(c.weight) +
                           ", " + std::to_string(c.underline) + ")";
        HFONT font = make_list_font(c.point_size, c.weight, c.underline);
        ASSERT_NE(nullptr, font) << what;
        LOGFONTA got;
        memset(&got, 0, sizeof(got));
        ASSERT_EQ(static_cast<int>(sizeof(got)), GetObjectA(font, sizeof(got), &got)) << what;
        DeleteObject(font);

        LONG height = c.point_size > 0 ? c.point_size * pixels_per_inch / -72 : menu.lfHeight;
        EXPECT_EQ(height, got.lfHeight) << what << " at " << pixels_per_inch << " pixels per inch";
        if (pixels_per_inch == 96 && c.point_size == 12) {
            EXPECT_EQ(-16, got.lfHeight) << what;
        }
        // The quotient is truncated, not rounded: 5 points at 96 per inch are 6.67 pixels.
        if (pixels_per_inch == 96 && c.point_size == 5) {
            EXPECT_EQ(-6, got.lfHeight) << what;
        }
        EXPECT_EQ(c.weight > 0 ? c.weight : menu.lfWeight, got.lfWeight) << what;
        EXPECT_EQ(c.underline, got.lfUnderline) << what;
        EXPECT_STREQ(menu.lfFaceName, got.lfFaceName) << what;
        EXPECT_EQ(menu.lfCharSet, got.lfCharSet) << what;
        EXPECT_EQ(menu.lfWidth, got.lfWidth) << what;
        EXPECT_EQ(menu.lfEscapement, got.lfEscapement) << what;
        EXPECT_EQ(menu.lfOrientation, got.lfOrientation) << what;
        EXPECT_EQ(menu.lfItalic, got.lfItalic) << what;
        EXPECT_EQ(menu.lfStrikeOut, got.lfStrikeOut) << what;
        EXPECT_EQ(menu.lfOutPrecision, got.lfOutPrecision) << what;
        EXPECT_EQ(menu.lfClipPrecision, got.lfClipPrecision) << what;
        EXPECT_EQ(menu.lfQuality, got.lfQuality) << what;
        EXPECT_EQ(menu.lfPitchAndFamily, got.lfPitchAndFamily) << what;
    }
}

// --- What each row draws, seen through the module's imports.

// A rectangle of the row (10,24)-(301,48), named so that the table reads.
enum Place { C0, C1, C2, C3, BOX0, BOX1 };
enum Ink { ROW_INK, SHADOW_INK };
enum Face { BOLD, PLAIN, BOLD_UNDERLINED };

struct DrawnText {
    const char* text;
    Place place;
    UINT flags;
    Ink ink;
    Face face;
};

const RECT LABEL_ROW = {10, 24, 301, 48};

// Columns of LABEL_ROW from its right edge alone: q = 5016; edges 50, 100, 200.
// The boxes: (100 - 40) / 2 = 30 into column 2, (101 - 40) / 2 = 30 into column 3.
RECT place_rect(Place place) {
    const RECT places[6] = {{14, 24, 50, 48},   {50, 24, 100, 48},  {100, 24, 200, 48},
                            {200, 24, 301, 48}, {130, 25, 170, 47}, {230, 25, 270, 47}};
    return places[place];
}

std::string describe(const RECT& rect) {
    return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + ")-(" + std::to_string(rect.right) +
           "," + std::to_string(rect.bottom) + ")";
}

std::vector<GdiEvent> only(const std::vector<GdiEvent>& events, GdiCallKind kind) {
    std::vector<GdiEvent> kept;
    for (const GdiEvent& event : events)
        if (event.kind == kind) kept.push_back(event);
    return kept;
}

TEST_F(PaintingTest, RowsDrawTheirLabelsFiguresAndDashes) {
    LONG menu_weight = menu_font().lfWeight;
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    struct RowTexts {
        int item;
        const char* what;
        COLORREF row_ink;
        DrawnText texts[5];  // ending at the first null text
    } rows[] = {
        {0, "computer opponent, first set ordinal, negative number", GetSysColor(COLOR_HIGHLIGHTTEXT),
         {{"-3", C0, LEFT_FLAGS, ROW_INK, BOLD},
          {"1 Sets", C1, LEFT_FLAGS, ROW_INK, BOLD},
          {"Alice", C2, CENTRED_FLAGS, ROW_INK, BOLD_UNDERLINED},
          {"COM (Lv.3)", C3, CENTRED_FLAGS, ROW_INK, BOLD}}},
        {1, "player 0 won with 12", GetSysColor(COLOR_WINDOWTEXT),
         {{"1 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"12", BOX0, CENTRED_FLAGS, ROW_INK, PLAIN},
          {"-", BOX1, CENTRED_FLAGS, SHADOW_INK, PLAIN}}},
        {2, "player 1 won with 15", GetSysColor(COLOR_WINDOWTEXT),
         {{"2 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"-", BOX0, CENTRED_FLAGS, SHADOW_INK, PLAIN},
          {"15", BOX1, CENTRED_FLAGS, ROW_INK, PLAIN}}},
        {3, "no winner (-1)", GetSysColor(COLOR_WINDOWTEXT),
         {{"3 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"-", BOX0, CENTRED_FLAGS, SHADOW_INK, PLAIN},
          {"-", BOX1, CENTRED_FLAGS, SHADOW_INK, PLAIN}}},
        {4, "set mode 0, equal tallies, is_computer 2 shows the name", GetSysColor(COLOR_WINDOWTEXT),
         {{"2", C0, LEFT_FLAGS, ROW_INK, BOLD},
          {"Bob", C2, CENTRED_FLAGS, ROW_INK, BOLD},
          {"Carol", C3, CENTRED_FLAGS, ROW_INK, BOLD}}},
        {5, "player 0 won with figure 0", GetSysColor(COLOR_WINDOWTEXT),
         {{"1 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"-", BOX0, CENTRED_FLAGS, SHADOW_INK, PLAIN},
          {"-", BOX1, CENTRED_FLAGS, SHADOW_INK, PLAIN}}},
        {6, "player 1 won with 7", GetSysColor(COLOR_WINDOWTEXT),
         {{"2 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"-", BOX0, CENTRED_FLAGS, SHADOW_INK, PLAIN},
          {"7", BOX1, CENTRED_FLAGS, ROW_INK, PLAIN}}},
        {7, "set mode 2, tallies -1 and 0 compared as signed, unterminated name", GetSysColor(COLOR_WINDOWTEXT),
         {{"17", C0, LEFT_FLAGS, ROW_INK, BOLD},
          {UNTERMINATED_NAME_SHOWN, C2, CENTRED_FLAGS, ROW_INK, BOLD},
          {"Eve", C3, CENTRED_FLAGS, ROW_INK, BOLD_UNDERLINED}}},
        {8, "winner 2 is nobody", GetSysColor(COLOR_WINDOWTEXT),
         {{"1 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"-", BOX0, CENTRED_FLAGS, SHADOW_INK, PLAIN},
          {"-", BOX1, CENTRED_FLAGS, SHADOW_INK, PLAIN}}},
        {9, "ordinal 8, computer level 0, tallies INT_MIN and INT_MAX", GetSysColor(COLOR_WINDOWTEXT),
         {{"4", C0, LEFT_FLAGS, ROW_INK, BOLD},
          {"9 Sets", C1, LEFT_FLAGS, ROW_INK, BOLD},
          {"COM (Lv.1)", C2, CENTRED_FLAGS, ROW_INK, BOLD},
          {"Fay", C3, CENTRED_FLAGS, ROW_INK, BOLD_UNDERLINED}}},
        {10, "player 0 won with 100", GetSysColor(COLOR_WINDOWTEXT),
         {{"1 Legs", C1, LEFT_FLAGS, ROW_INK, PLAIN},
          {"100", BOX0, CENTRED_FLAGS, ROW_INK, PLAIN},
          {"-", BOX1, CENTRED_FLAGS, SHADOW_INK, PLAIN}}},
    };
    ASSERT_TRUE(install_gdi_probe(module_.handle)) << "the module's GDI imports were not found";
    run_dialog([&](HWND dialog) {
        RowCanvas bitmap;
        ASSERT_TRUE(create_row_canvas(320, 60, &bitmap));
        watch_dialog(dialog, bitmap.dc);
        for (const RowTexts& row : rows) {
            take_gdi_events();
            paint_row(dialog, bitmap.dc, LABEL_ROW, row.item, row_data(dialog, row.item));
            std::vector<GdiEvent> drawn = only(take_gdi_events(), GDI_DRAW_TEXT);
            size_t expected_count = 0;
            while (expected_count < 5 && row.texts[expected_count].text) ++expected_count;
            std::string what = "row " + std::to_string(row.item) + " (" + row.what + ")";
            EXPECT_EQ(expected_count, drawn.size()) << what << ": texts drawn";
            for (size_t i = 0; i < drawn.size() && i < expected_count; ++i) {
                const DrawnText& expected = row.texts[i];
                const GdiEvent& got = drawn[i];
                std::string which = what + ", text " + std::to_string(i) + " \"" + expected.text + "\"";
                RECT rect = place_rect(expected.place);
                EXPECT_EQ(expected.text, got.text) << which;
                EXPECT_EQ(describe(rect), describe(got.rect)) << which;
                EXPECT_EQ(expected.flags, got.flags) << which;
                COLORREF ink = expected.ink == ROW_INK ? row.row_ink : shadow;
                EXPECT_EQ(hex(ink), hex(got.text_colour)) << which;
                EXPECT_EQ(expected.face == PLAIN ? menu_weight : 700, got.font.lfWeight) << which;
                EXPECT_EQ(expected.face == BOLD_UNDERLINED ? 1 : 0, got.font.lfUnderline) << which;
                EXPECT_EQ(12 * screen_pixels_per_inch() / -72, got.font.lfHeight) << which;
            }
        }
        unwatch_dialog(dialog);
        destroy_row_canvas(&bitmap);
    });
}

// --- The GDI objects of a paint.

struct PaintObjects {
    int fonts = 0, brushes = 0, pens = 0;
    int live = 0;       // made in the paint and not deleted by its end
    int metrics = 0;    // SystemParametersInfoA calls, each checked below
    std::vector<HGDIOBJ> deleted;
    std::string problems;
};

// Accounts for the events of one paint on dc.
PaintObjects account(const std::vector<GdiEvent>& events) {
    PaintObjects out;
    std::set<HGDIOBJ> made, brushes, selected_unrestored;
    for (const GdiEvent& event : events) {
        switch (event.kind) {
        case GDI_CREATE_FONT:
        case GDI_CREATE_BRUSH:
        case GDI_CREATE_PEN:
            if (event.object == nullptr) out.problems += " a creation failed;";
            made.insert(event.object);
            if (event.kind == GDI_CREATE_FONT) ++out.fonts;
            if (event.kind == GDI_CREATE_BRUSH) {
                ++out.brushes;
                brushes.insert(event.object);
            }
            if (event.kind == GDI_CREATE_PEN) ++out.pens;
            break;
        case GDI_SELECT:
            if (brushes.count(event.object)) out.problems += " a brush was selected;";
            if (made.count(event.object)) selected_unrestored.insert(event.object);
            // Selecting back what a made object displaced restores the DC.
            if (selected_unrestored.count(event.previous)) selected_unrestored.erase(event.previous);
            else if (made.count(event.previous)) out.problems += " a made object came back twice;";
            break;
        case GDI_DELETE:
            if (!made.count(event.object)) out.problems += " deleted an object it did not make;";
            if (selected_unrestored.count(event.object) || event.still_selected)
                out.problems += " deleted an object still selected;";
            if (event.type_after != 0) out.problems += " a deleted object is still alive;";
            made.erase(event.object);
            out.deleted.push_back(event.object);
            break;
        case GDI_METRICS:
            ++out.metrics;
            if (event.action != SPI_GETNONCLIENTMETRICS || event.ui_param != 340 || event.cb_size != 340 ||
                !event.zero_filled)
                out.problems += " metrics asked for other than 340 zero-filled bytes;";
            break;
        case GDI_DRAW_TEXT:
            if (!made.count(event.object)) out.problems += " text drawn in a font that the paint did not make;";
            break;
        }
    }
    out.live = static_cast<int>(made.size());
    if (!selected_unrestored.empty()) out.problems += " a selection was left in place;";
    return out;
}

TEST_F(PaintingTest, EveryObjectAPaintMakesIsGoneWhenItReturns) {
    struct Kind {
        const char* what;
        int item;  // a list row, or -1 for null item data
        int fonts, brushes, pens;
    } kinds[] = {
        {"set row", 0, 3, 1, 0},
        {"set row of another set", 4, 3, 1, 0},
        {"leg row with a figure", 2, 1, 3, 1},
        {"leg row with two dashes", 3, 1, 3, 1},
        {"null row", -1, 0, 1, 0},
    };
    ASSERT_TRUE(install_gdi_probe(module_.handle)) << "the module's GDI imports were not found";
    run_dialog([&](HWND dialog) {
        RowCanvas bitmap;
        ASSERT_TRUE(create_row_canvas(ROW_RECT.right, ROW_RECT.bottom, &bitmap));
        HGDIOBJ font_before = GetCurrentObject(bitmap.dc, OBJ_FONT);
        HGDIOBJ pen_before = GetCurrentObject(bitmap.dc, OBJ_PEN);
        HGDIOBJ brush_before = GetCurrentObject(bitmap.dc, OBJ_BRUSH);
        watch_dialog(dialog, bitmap.dc);
        take_gdi_events();
        for (const Kind& kind : kinds) {
            paint_row(dialog, bitmap.dc, ROW_RECT, kind.item < 0 ? 0 : kind.item,
                      kind.item < 0 ? 0 : row_data(dialog, kind.item));
            PaintObjects objects = account(take_gdi_events());
            EXPECT_EQ(kind.fonts, objects.fonts) << kind.what << ": fonts made";
            EXPECT_EQ(kind.brushes, objects.brushes) << kind.what << ": brushes made";
            EXPECT_EQ(kind.pens, objects.pens) << kind.what << ": pens made";
            EXPECT_EQ(kind.fonts, objects.metrics) << kind.what << ": one metrics request per font";
            EXPECT_EQ(0, objects.live) << kind.what << ": objects left alive";
            EXPECT_EQ("", objects.problems) << kind.what;
        }

        // Many paints of every kind of row: nothing accumulates.
        int live_total = 0;
        int made_total = 0;
        std::vector<HGDIOBJ> deleted;
        std::string problems;
        for (int paint = 0; paint < 300; ++paint) {
            int item = paint % (ROW_COUNT + 1);
            bool null_row = item == ROW_COUNT;
            paint_row(dialog, bitmap.dc, ROW_RECT, null_row ? 0 : item, null_row ? 0 : row_data(dialog, item));
            PaintObjects objects = account(take_gdi_events());
            live_total += objects.live;
            made_total += objects.fonts + objects.brushes + objects.pens;
            deleted.insert(deleted.end(), objects.deleted.begin(), objects.deleted.end());
            if (!objects.problems.empty()) problems += "paint " + std::to_string(paint) + ":" + objects.problems + "\n";
            if (GetCurrentObject(bitmap.dc, OBJ_FONT) != font_before) problems += "paint " + std::to_string(paint) + ": font left selected\n";
            if (GetCurrentObject(bitmap.dc, OBJ_PEN) != pen_before) problems += "paint " + std::to_string(paint) + ": pen left selected\n";
        }
        EXPECT_EQ(0, live_total) << "objects alive after 300 paints";
        EXPECT_EQ(made_total, static_cast<int>(deleted.size())) << "objects made and deleted in 300 paints";
        EXPECT_GT(made_total, 300);
        EXPECT_EQ("", problems);
        int alive = 0;
        for (HGDIOBJ object : deleted) alive += GetObjectType(object) != 0;
        EXPECT_EQ(0, alive) << "of " << deleted.size() << " deleted handles, still valid";
        EXPECT_EQ(font_before, GetCurrentObject(bitmap.dc, OBJ_FONT));
        EXPECT_EQ(pen_before, GetCurrentObject(bitmap.dc, OBJ_PEN));
        EXPECT_EQ(brush_before, GetCurrentObject(bitmap.dc, OBJ_BRUSH));
        unwatch_dialog(dialog);
        destroy_row_canvas(&bitmap);
    });
}

}  // namespace
