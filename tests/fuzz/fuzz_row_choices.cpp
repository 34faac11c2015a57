// The colour, label, underline and box choices for any 32-bit inputs: every
// colour choice is one of the four rows of the colour table, the one that the
// row's kind and the selection pick, and each label or box choice is 0 or 1
// by its rule.
#include "sheet_dialog/row_layout.h"
#include "tests/fuzz/fuzz_support.h"

static const RowColourChoice COLOUR_TABLE[4] = {
    {SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_WINDOW},        // leg row
    {SYSCOLOUR_WINDOWTEXT, FIXED_LIGHT_YELLOW},      // leg row of the selected set
    {SYSCOLOUR_WINDOWTEXT, SYSCOLOUR_BTNFACE},       // set row
    {SYSCOLOUR_HIGHLIGHTTEXT, SYSCOLOUR_HIGHLIGHT},  // the selected set's row
};

static void expect_colours(int32_t kind, int selected) {
    RowColourChoice got = choose_row_colours(kind, selected);
    int row = -1;
    for (int i = 0; i < 4; ++i)
        if (COLOUR_TABLE[i].text == got.text && COLOUR_TABLE[i].background == got.background) row = i;
    expect_true(row >= 0, "the colours are a row of the table");
    int expected = (kind == ROW_SET ? 2 : 0) + (selected != 0 ? 1 : 0);
    expect_equal(expected, row, "the table row for the kind and the selection");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in = {data, size};
    int32_t kind = take_i32(&in);
    int selected = take_i32(&in);
    int32_t own = take_i32(&in);
    int32_t other = take_i32(&in);
    int32_t is_computer = take_i32(&in);
    int32_t winner = take_i32(&in);
    int32_t figure = take_i32(&in);
    int32_t player = take_i32(&in);
    expect_colours(kind, selected);
    // The kinds the list holds, whatever else came.
    expect_colours(ROW_SET, selected);
    expect_colours(ROW_LEG, selected);

    expect_equal(static_cast<int64_t>(own) > static_cast<int64_t>(other) ? 1 : 0,
                 label_underlined(own, other), "underlined when strictly ahead");
    expect_equal(0, label_underlined(own, other) && label_underlined(other, own) ? 1 : 0,
                 "never both players underlined");
    expect_equal(is_computer == 1 ? 1 : 0, label_is_computer(is_computer), "computer label only for 1");
    expect_equal(winner == player && figure > 0 ? 1 : 0, box_shows_figure(winner, figure, player),
                 "figure only in the winner's box and only when positive");
    return 0;
}
