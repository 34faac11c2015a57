// The decisions of row painting, in signed 32-bit arithmetic with truncating
// division at each step.
#include "sheet_dialog/row_layout.h"

RowColumns row_columns(Rect32 row) {
    int32_t q = wrap_mul(row.right, 100) / 6;
    int32_t e1 = q / 100;
    int32_t e2 = wrap_mul(q, 2) / 100;
    int32_t e3 = wrap_mul(q, 4) / 100;
    RowColumns columns;
    columns.number = Rect32{wrap_add(row.left, FIRST_COLUMN_INSET), row.top, e1, row.bottom};
    columns.ordinal = Rect32{e1, row.top, e2, row.bottom};
    columns.player0 = Rect32{e2, row.top, e3, row.bottom};
    columns.player1 = Rect32{e3, row.top, row.right, row.bottom};
    return columns;
}

Rect32 leg_box(Rect32 column, Rect32 row, int32_t w) {
    Rect32 box;
    box.left = wrap_add(column.left, wrap_sub(wrap_sub(column.right, column.left), w) / 2);
    box.right = wrap_add(box.left, w);
    box.top = wrap_add(row.top, 1);
    box.bottom = wrap_sub(row.bottom, 1);
    return box;
}

JoinLine join_line(Rect32 box0, Rect32 box1, Rect32 row) {
    JoinLine line;
    line.from_x = box0.right;
    line.to_x = box1.left;
    line.y = wrap_add(row.top, wrap_sub(row.bottom, row.top) / 2);
    return line;
}

RowColourChoice choose_row_colours(int32_t row_kind, int in_selected_set) {
    if (row_kind == ROW_SET) {
        if (in_selected_set) return RowColourChoice{SYSCOLOUR_HIGHLIGHTTEXT, SYSCOLOUR_HIGHLIGHT};
        return RowColourChoice{SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_BTNFACE};
    }
    if (in_selected_set) return RowColourChoice{SYSCOLOUR_WINDOWTEXT, FIXED_LIGHT_YELLOW};
    return RowColourChoice{SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_WINDOW};
}

int label_underlined(int32_t own_tally, int32_t other_tally) {
    return own_tally > other_tally ? 1 : 0;
}

int label_is_computer(int32_t is_computer) {
    return is_computer == 1 ? 1 : 0;
}

int box_shows_figure(int32_t winner, int32_t winner_figure, int32_t player) {
    return winner == player && winner_figure > 0 ? 1 : 0;
}
