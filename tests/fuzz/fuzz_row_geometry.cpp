// Column edges, leg boxes and the joining line for any 32-bit inputs: each
// equals a reference computed in 64-bit arithmetic and wrapped to 32 bits
// after every step, as the 32-bit machine computes it, with division
// truncating toward zero.
#include "sheet_dialog/row_layout.h"
#include "tests/fuzz/fuzz_support.h"

static void expect_columns(Rect32 row) {
    int64_t q = wrap32(static_cast<int64_t>(row.right) * 100) / 6;
    int64_t e1 = q / 100;
    int64_t e2 = wrap32(q * 2) / 100;
    int64_t e3 = wrap32(q * 4) / 100;
    RowColumns got = row_columns(row);
    const int64_t number[4] = {wrap32(static_cast<int64_t>(row.left) + 4), row.top, e1, row.bottom};
    const int64_t ordinal[4] = {e1, row.top, e2, row.bottom};
    const int64_t player0[4] = {e2, row.top, e3, row.bottom};
    const int64_t player1[4] = {e3, row.top, row.right, row.bottom};
    expect_rect(number, got.number, "number column");
    expect_rect(ordinal, got.ordinal, "ordinal column");
    expect_rect(player0, got.player0, "player 0 column");
    expect_rect(player1, got.player1, "player 1 column");
}

static void expect_box(Rect32 column, Rect32 row, int32_t w) {
    int64_t width = wrap32(static_cast<int64_t>(column.right) - column.left);
    int64_t left = wrap32(column.left + wrap32(width - w) / 2);
    const int64_t box[4] = {left, wrap32(static_cast<int64_t>(row.top) + 1), wrap32(left + w),
                            wrap32(static_cast<int64_t>(row.bottom) - 1)};
    Rect32 got = leg_box(column, row, w);
    expect_rect(box, got, "leg box");
    expect_equal(w, wrap32(static_cast<int64_t>(got.right) - got.left), "the box keeps its width");
}

static void expect_line(Rect32 box0, Rect32 box1, Rect32 row) {
    JoinLine got = join_line(box0, box1, row);
    expect_equal(box0.right, got.from_x, "line start");
    expect_equal(box1.left, got.to_x, "line end");
    int64_t height = wrap32(static_cast<int64_t>(row.bottom) - row.top);
    expect_equal(wrap32(row.top + height / 2), got.y, "line height");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in = {data, size};
    Rect32 row = take_rect(&in);
    Rect32 column = take_rect(&in);
    int32_t w = take_i32(&in);
    Rect32 box0 = take_rect(&in);
    Rect32 box1 = take_rect(&in);
    expect_columns(row);
    expect_box(column, row, w);
    // The boxes as the painting makes them, and any others.
    RowColumns columns = row_columns(row);
    expect_box(columns.player0, row, w);
    expect_box(columns.player1, row, w);
    expect_line(box0, box1, row);
    expect_line(leg_box(columns.player0, row, w), leg_box(columns.player1, row, w), row);
    return 0;
}
