// The decisions of row painting: column edges, the leg boxes and their joining
// line, the group colours and the choices of label, underline and box text.
#pragma once
#include "sheet_dialog/plain_types.h"

constexpr int32_t ROW_SET = 0;
constexpr int32_t ROW_LEG = 1;

// System colour indexes as the platform numbers them; the light yellow of a
// selected set's legs is a fixed colour instead.
constexpr int SYSCOLOUR_WINDOW = 5;
constexpr int SYSCOLOUR_WINDOWTEXT = 8;
constexpr int SYSCOLOUR_HIGHLIGHT = 13;
constexpr int SYSCOLOUR_HIGHLIGHTTEXT = 14;
constexpr int SYSCOLOUR_BTNFACE = 15;
constexpr int SYSCOLOUR_BTNSHADOW = 16;
constexpr int FIXED_LIGHT_YELLOW = -1;
constexpr uint32_t LIGHT_YELLOW_RGB = 0x00C8FFFF;  // RGB(255, 255, 200)

constexpr int32_t FIRST_COLUMN_INSET = 4;

struct RowColumns {
    Rect32 number;    // C0: the set's number
    Rect32 ordinal;   // C1: the set ordinal, or a leg row's "%d Legs"
    Rect32 player0;   // C2
    Rect32 player1;   // C3
};

struct RowColourChoice {
    int text;        // a SYSCOLOUR_ index
    int background;  // a SYSCOLOUR_ index or FIXED_LIGHT_YELLOW
};

struct JoinLine {
    int32_t from_x, to_x, y;
};

// Edges from row.right alone: a sixth, a third and two thirds of it.
RowColumns row_columns(Rect32 row);

// A box w wide, centred in column, one pixel inside the row's top and bottom.
Rect32 leg_box(Rect32 column, Rect32 row, int32_t w);

// From player 0's box's right edge to player 1's box's left edge, at mid-row.
JoinLine join_line(Rect32 box0, Rect32 box1, Rect32 row);

// Only ROW_SET paints as a set row; every other kind takes a leg row's colours.
RowColourChoice choose_row_colours(int32_t row_kind, int in_selected_set);

// 1 when own is strictly greater than other, compared as signed values.
int label_underlined(int32_t own_tally, int32_t other_tally);

// 1 when the player's label is its computer level rather than its name.
int label_is_computer(int32_t is_computer);

// 1 when player's box shows the winner's figure rather than a dash.
int box_shows_figure(int32_t winner, int32_t winner_figure, int32_t player);
