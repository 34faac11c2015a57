// Measuring, centring and the resize layout for any 32-bit inputs: each
// equals a reference computed in 64-bit arithmetic and wrapped to 32 bits
// after every step, with division truncating toward zero; a centred
// coordinate is never negative.
#include "sheet_dialog/dialog_geometry.h"
#include "tests/fuzz/fuzz_support.h"

static int64_t difference(int32_t a, int32_t b) {
    return wrap32(static_cast<int64_t>(a) - b);
}

static int64_t centred_start(int32_t outer_start, int32_t outer_end, int32_t inner_start,
                             int32_t inner_end) {
    int64_t spare = wrap32(difference(outer_end, outer_start) - difference(inner_end, inner_start));
    int64_t start = wrap32(outer_start + spare / 2);
    return start < 0 ? 0 : start;
}

static void expect_placement(int64_t x, int64_t y, int64_t width, int64_t height, Placement got,
                             const char* what) {
    const int64_t expected[4] = {x, y, width, height};
    const Rect32 as_rect = {got.x, got.y, got.width, got.height};
    expect_rect(expected, as_rect, what);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in = {data, size};
    Rect32 client = take_rect(&in);
    int32_t list_top = take_i32(&in);
    int32_t list_bottom = take_i32(&in);
    Rect32 button = take_rect(&in);
    Point32 top_left = take_point(&in);
    Rect32 parent = take_rect(&in);
    Rect32 dialog = take_rect(&in);
    Rect32 resized = take_rect(&in);

    ListMargins margins = measure_list_margins(client, list_top, list_bottom);
    expect_equal(list_top, margins.top, "list top");
    expect_equal(difference(client.bottom, list_bottom), margins.bottom_gap, "list bottom gap");
    ButtonAnchor anchor = measure_button_anchor(client, button, top_left);
    expect_equal(difference(button.right, button.left), anchor.width, "button width");
    expect_equal(difference(button.bottom, button.top), anchor.height, "button height");
    expect_equal(difference(client.right, top_left.x), anchor.right_offset, "button right offset");
    expect_equal(difference(client.bottom, top_left.y), anchor.bottom_offset, "button bottom offset");

    Point32 position = centred_position(parent, dialog);
    expect_equal(centred_start(parent.left, parent.right, dialog.left, dialog.right), position.x,
                 "centred x");
    expect_equal(centred_start(parent.top, parent.bottom, dialog.top, dialog.bottom), position.y,
                 "centred y");
    expect_true(position.x >= 0 && position.y >= 0, "a centred coordinate is never negative");

    // The other button anchored from any measurements, the layout for any client.
    ButtonAnchor other = measure_button_anchor(resized, dialog, top_left);
    DialogLayout layout = layout_for_client(resized, margins, anchor, other);
    expect_placement(0, margins.top, resized.right,
                     wrap32(difference(resized.bottom, margins.top) - margins.bottom_gap),
                     layout.list, "list");
    expect_placement(difference(resized.right, anchor.right_offset),
                     difference(resized.bottom, anchor.bottom_offset), anchor.width, anchor.height,
                     layout.output, "output button");
    expect_placement(difference(resized.right, other.right_offset),
                     difference(resized.bottom, other.bottom_offset), other.width, other.height,
                     layout.close, "close button");
    return 0;
}
