// The decisions that are made without the platform: folder scan, geometry,
// row layout, colour and label choices, and the room of the error message.
#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include <string>

#include "plugin/folder_scan.h"
#include "sheet_dialog/dialog_geometry.h"
#include "sheet_dialog/error_message.h"
#include "sheet_dialog/row_layout.h"

// Shift-JIS lead bytes, as code page 932 has them.
static int shift_jis_lead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(FolderScan, PathsFromModuleNames) {
    struct Case {
        const char* name;
        const char* csv;
    } cases[] = {
        {"C:\\Games\\Score\\plugin\\tq7_sheet.tq7", "C:\\Games\\Score\\plugin\\tq7_sheet.csv"},
        {"C:\\tq7_sheet.tq7", "C:\\tq7_sheet.csv"},
        {"/home/user/plugins/tq7_sheet.tq7", "/home/user/plugins\\tq7_sheet.csv"},
        {"C:\\mixed/forward\\tq7_sheet.tq7", "C:\\mixed/forward\\tq7_sheet.csv"},
        {"C:\\mixed\\back/tq7_sheet.tq7", "C:\\mixed\\back\\tq7_sheet.csv"},
        {"tq7_sheet.tq7", "\\tq7_sheet.csv"},
        {"\\tq7_sheet.tq7", "\\tq7_sheet.csv"},
        {"", "\\tq7_sheet.csv"},
        // 0x95 0x5C is one double-byte character whose second byte is a backslash.
        {"C:\\\x95\x5C\\tq7_sheet.tq7", "C:\\\x95\x5C\\tq7_sheet.csv"},
        {"C:\\dir\\\x95\x5Ctq7_sheet.tq7", "C:\\dir\\tq7_sheet.csv"},
        // A lead byte right before the terminator ends the scan there.
        {"C:\\dir\\x\x95", "C:\\dir\\tq7_sheet.csv"},
    };
    for (const Case& c : cases) {
        char csv[260];
        char workbook[260];
        memset(csv, 'x', sizeof(csv));
        derive_sheet_paths(c.name, 259, 0, shift_jis_lead, csv, workbook, sizeof(csv));
        EXPECT_STREQ(c.csv, csv) << "for the name \"" << c.name << "\"";
        std::string expected_workbook = c.csv;
        expected_workbook.replace(expected_workbook.size() - 3, 3, "xls");
        EXPECT_EQ(expected_workbook, workbook) << "for the name \"" << c.name << "\"";
    }
}

TEST(FolderScan, NeverReadsPastItsCapacity) {
    // 259 bytes without a terminator, followed by a separator that must not count.
    char name[300];
    memset(name, 'a', sizeof(name));
    name[2] = '\\';
    name[259] = '\\';
    EXPECT_EQ(2u, find_folder_end(name, 259, shift_jis_lead));
    // A lead byte in the last byte of the capacity: its pair lies outside.
    name[258] = '\x95';
    EXPECT_EQ(2u, find_folder_end(name, 259, shift_jis_lead));
}

TEST(FolderScan, FoldersTooLongForThePathsLeaveThemEmpty) {
    struct Case {
        size_t folder_length;
        bool fits;
    } cases[] = {{1, true}, {244, true}, {245, true}, {246, false}, {258, false}};
    for (const Case& c : cases) {
        std::string name(c.folder_length, 'f');
        if (c.folder_length >= 2) name.replace(0, 2, "C:");
        name += "\\m";
        char csv[261];
        char workbook[261];
        memset(csv, 'x', sizeof(csv));
        memset(workbook, 'x', sizeof(workbook));
        derive_sheet_paths(name.c_str(), 259, 0, shift_jis_lead, csv, workbook, 260);
        EXPECT_EQ('x', csv[260]) << "the buffer's end was written for " << c.folder_length;
        if (c.fits) {
            EXPECT_EQ(c.folder_length + 14, strlen(csv)) << "folder of " << c.folder_length;
        } else {
            EXPECT_STREQ("", csv) << "folder of " << c.folder_length;
            EXPECT_STREQ("", workbook) << "folder of " << c.folder_length;
        }
    }
}

// The module asks again until the platform gives its name whole; a name that
// never came whole has no folder to trust.
TEST(FolderScan, ANameNeverGivenWholeGivesNoPaths) {
    char csv[260] = "old";
    char workbook[260] = "old";
    derive_sheet_paths("C:\\a\\cut", 259, 1, shift_jis_lead, csv, workbook, sizeof(csv));
    EXPECT_STREQ("", csv);
    EXPECT_STREQ("", workbook);
}

TEST(DialogGeometry, Centring) {
    struct Case {
        Rect32 parent;
        Rect32 dialog;
        Point32 expected;
    } cases[] = {
        // Larger host: centred inside it.
        {{100, 50, 900, 650}, {0, 0, 400, 300}, {300, 200}},
        // Smaller host: the dialog reaches past both sides.
        {{500, 400, 700, 500}, {0, 0, 400, 300}, {400, 300}},
        // Odd spare truncates toward zero, also when negative.
        {{0, 0, 101, 101}, {0, 0, 0, 0}, {50, 50}},
        {{301, 301, 400, 400}, {0, 0, 400, 400}, {151, 151}},
        // Partly at negative coordinates: that coordinate becomes 0.
        {{-900, 100, -100, 700}, {0, 0, 400, 300}, {0, 250}},
        {{100, -900, 900, -100}, {0, 0, 400, 300}, {300, 0}},
        // Past the right edge of any screen: not pulled back.
        {{5000, 100, 5800, 700}, {0, 0, 400, 300}, {5200, 250}},
    };
    for (const Case& c : cases) {
        Point32 got = centred_position(c.parent, c.dialog);
        EXPECT_EQ(c.expected.x, got.x) << "parent left " << c.parent.left;
        EXPECT_EQ(c.expected.y, got.y) << "parent top " << c.parent.top;
    }
}

TEST(DialogGeometry, MeasuringAndLayout) {
    Rect32 client = {0, 0, 500, 560};
    ListMargins margins = measure_list_margins(client, 40, 510);
    EXPECT_EQ(40, margins.top);
    EXPECT_EQ(50, margins.bottom_gap);
    ButtonAnchor output = measure_button_anchor(client, {1290, 820, 1390, 848}, {290, 520});
    EXPECT_EQ(210, output.right_offset);
    EXPECT_EQ(40, output.bottom_offset);
    EXPECT_EQ(100, output.width);
    EXPECT_EQ(28, output.height);
    ButtonAnchor close = measure_button_anchor(client, {1398, 820, 1498, 848}, {398, 520});

    struct Case {
        Rect32 client;
        Placement list, output, close;
    } cases[] = {
        {{0, 0, 500, 560}, {0, 40, 500, 470}, {290, 520, 100, 28}, {398, 520, 100, 28}},
        {{0, 0, 800, 700}, {0, 40, 800, 610}, {590, 660, 100, 28}, {698, 660, 100, 28}},
        // Shorter than top + bottom_gap: the list's height goes negative.
        {{0, 0, 120, 60}, {0, 40, 120, -30}, {-90, 20, 100, 28}, {18, 20, 100, 28}},
        {{0, 0, 0, 0}, {0, 40, 0, -90}, {-210, -40, 100, 28}, {-102, -40, 100, 28}},
    };
    for (const Case& c : cases) {
        DialogLayout got = layout_for_client(c.client, margins, output, close);
        const Placement* want[] = {&c.list, &c.output, &c.close};
        const Placement* have[] = {&got.list, &got.output, &got.close};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(want[i]->x, have[i]->x) << "control " << i << " client " << c.client.right;
            EXPECT_EQ(want[i]->y, have[i]->y) << "control " << i << " client " << c.client.right;
            EXPECT_EQ(want[i]->width, have[i]->width) << "control " << i;
            EXPECT_EQ(want[i]->height, have[i]->height) << "control " << i;
        }
    }
}

TEST(RowLayout, ColumnsBoxesAndLine) {
    Rect32 row = {0, 0, 380, 24};
    RowColumns columns = row_columns(row);
    EXPECT_EQ(4, columns.number.left);
    EXPECT_EQ(63, columns.number.right);
    EXPECT_EQ(63, columns.ordinal.left);
    EXPECT_EQ(126, columns.ordinal.right);
    EXPECT_EQ(126, columns.player0.left);
    EXPECT_EQ(253, columns.player0.right);
    EXPECT_EQ(253, columns.player1.left);
    EXPECT_EQ(380, columns.player1.right);
    EXPECT_EQ(0, columns.player1.top);
    EXPECT_EQ(24, columns.player1.bottom);

    Rect32 box0 = leg_box(columns.player0, row, 28);
    Rect32 box1 = leg_box(columns.player1, row, 28);
    EXPECT_EQ(175, box0.left);
    EXPECT_EQ(203, box0.right);
    EXPECT_EQ(302, box1.left);
    EXPECT_EQ(330, box1.right);
    EXPECT_EQ(1, box0.top);
    EXPECT_EQ(23, box0.bottom);
    JoinLine line = join_line(box0, box1, row);
    EXPECT_EQ(203, line.from_x);
    EXPECT_EQ(302, line.to_x);
    EXPECT_EQ(12, line.y);
}

TEST(RowLayout, EdgesFollowTheRightEdgeAlone) {
    struct Case {
        Rect32 row;
        int32_t e1, e2, e3;
    } cases[] = {
        {{0, 0, 0, 24}, 0, 0, 0},
        {{0, 0, 5, 24}, 0, 1, 3},
        {{50, 30, 380, 54}, 63, 126, 253},
        {{0, 0, 1000, 24}, 166, 333, 666},
        {{0, 0, -60, 24}, -10, -20, -40},
        // Rows wider than the arithmetic: the products wrap as 32-bit values,
        // worked out in 64 bits. 30000000 * 100 wraps to -1294967296, a sixth
        // of it is -215827882; INT32_MAX * 100 wraps to -100, a sixth is -16.
        {{0, 0, 30000000, 24}, -2158278, -4316557, -8633115},
        {{0, 0, INT32_MAX, 24}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        RowColumns columns = row_columns(c.row);
        EXPECT_EQ(c.row.left + 4, columns.number.left) << "right " << c.row.right;
        EXPECT_EQ(c.e1, columns.number.right) << "right " << c.row.right;
        EXPECT_EQ(c.e2, columns.player0.left) << "right " << c.row.right;
        EXPECT_EQ(c.e3, columns.player1.left) << "right " << c.row.right;
        EXPECT_EQ(c.row.top, columns.ordinal.top);
        EXPECT_EQ(c.row.bottom, columns.ordinal.bottom);
    }
    // A very narrow column: the box keeps its width and reaches past it.
    Rect32 box = leg_box({10, 0, 14, 24}, {0, 0, 20, 24}, 28);
    EXPECT_EQ(-2, box.left);
    EXPECT_EQ(26, box.right);
}

TEST(RowLayout, ColourChoice) {
    struct Case {
        int32_t kind;
        int selected;
        int text, background;
    } cases[] = {
        {ROW_SET, 1, SYSCOLOUR_HIGHLIGHTTEXT, SYSCOLOUR_HIGHLIGHT},
        {ROW_SET, 0, SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_BTNFACE},
        {ROW_LEG, 1, SYSCOLOUR_WINDOWTEXT, FIXED_LIGHT_YELLOW},
        {ROW_LEG, 0, SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_WINDOW},
        {7, 1, SYSCOLOUR_WINDOWTEXT, FIXED_LIGHT_YELLOW},
        {-1, 0, SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_WINDOW},
    };
    for (const Case& c : cases) {
        RowColourChoice got = choose_row_colours(c.kind, c.selected);
        EXPECT_EQ(c.text, got.text) << "kind " << c.kind << " selected " << c.selected;
        EXPECT_EQ(c.background, got.background) << "kind " << c.kind << " selected " << c.selected;
    }
}

TEST(RowLayout, LabelAndBoxChoices) {
    EXPECT_EQ(1, label_underlined(3, 2));
    EXPECT_EQ(0, label_underlined(2, 2));
    EXPECT_EQ(0, label_underlined(-5, 1));
    EXPECT_EQ(1, label_underlined(1, -5));
    EXPECT_EQ(1, label_underlined(0, INT32_MIN));
    EXPECT_EQ(1, label_is_computer(1));
    EXPECT_EQ(0, label_is_computer(2));
    EXPECT_EQ(0, label_is_computer(0));
    struct Case {
        int32_t winner, figure, player;
        int shows;
    } cases[] = {
        {1, 15, 1, 1}, {1, 15, 0, 0}, {0, 3, 0, 1}, {0, 0, 0, 0}, {0, -4, 0, 0}, {-1, 9, 0, 0},
        {2, 9, 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.shows, box_shows_figure(c.winner, c.figure, c.player))
            << "winner " << c.winner << " figure " << c.figure << " player " << c.player;
}

TEST(ErrorMessage, RoomAfterTheHead) {
    TextRoom room = room_after_head(36, 256);
    EXPECT_EQ(36u, room.offset);
    EXPECT_EQ(220u, room.size);
    room = room_after_head(254, 256);
    EXPECT_EQ(254u, room.offset);
    EXPECT_EQ(2u, room.size);
    room = room_after_head(300, 256);
    EXPECT_EQ(0u, room.size);
}
