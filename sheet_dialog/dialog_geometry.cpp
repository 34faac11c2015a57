// The dialog's geometry in signed 32-bit arithmetic with truncating division.
#include "sheet_dialog/dialog_geometry.h"

ListMargins measure_list_margins(Rect32 client, int32_t list_top, int32_t list_bottom) {
    ListMargins margins;
    margins.top = list_top;
    margins.bottom_gap = wrap_sub(client.bottom, list_bottom);
    return margins;
}

ButtonAnchor measure_button_anchor(Rect32 client, Rect32 button, Point32 top_left) {
    ButtonAnchor anchor;
    anchor.width = wrap_sub(button.right, button.left);
    anchor.height = wrap_sub(button.bottom, button.top);
    anchor.right_offset = wrap_sub(client.right, top_left.x);
    anchor.bottom_offset = wrap_sub(client.bottom, top_left.y);
    return anchor;
}

static int32_t centred_start(int32_t outer_start, int32_t outer_end, int32_t inner_start,
                             int32_t inner_end) {
    int32_t spare = wrap_sub(wrap_sub(outer_end, outer_start), wrap_sub(inner_end, inner_start));
    int32_t start = wrap_add(outer_start, spare / 2);
    return start < 0 ? 0 : start;
}

Point32 centred_position(Rect32 parent, Rect32 dialog) {
    Point32 position;
    position.x = centred_start(parent.left, parent.right, dialog.left, dialog.right);
    position.y = centred_start(parent.top, parent.bottom, dialog.top, dialog.bottom);
    return position;
}

static Placement anchored(Rect32 client, ButtonAnchor anchor) {
    Placement placement;
    placement.x = wrap_sub(client.right, anchor.right_offset);
    placement.y = wrap_sub(client.bottom, anchor.bottom_offset);
    placement.width = anchor.width;
    placement.height = anchor.height;
    return placement;
}

DialogLayout layout_for_client(Rect32 client, ListMargins margins, ButtonAnchor output,
                               ButtonAnchor close) {
    DialogLayout layout;
    layout.list.x = 0;
    layout.list.y = margins.top;
    layout.list.width = client.right;
    layout.list.height = wrap_sub(wrap_sub(client.bottom, margins.top), margins.bottom_gap);
    layout.output = anchored(client, output);
    layout.close = anchored(client, close);
    return layout;
}
