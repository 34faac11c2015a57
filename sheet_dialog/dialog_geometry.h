// The dialog's geometry: the margins and anchors measured at initialisation,
// the centring over the host window and the resize layout.
#pragma once
#include "sheet_dialog/plain_types.h"

struct ListMargins {
    int32_t top;         // the list's top edge in client coordinates
    int32_t bottom_gap;  // from the list's bottom edge to the client's bottom
};

struct ButtonAnchor {
    int32_t right_offset;   // client width minus the button's left edge
    int32_t bottom_offset;  // client height minus the button's top edge
    int32_t width;
    int32_t height;
};

// A control's place as MoveWindow takes it.
struct Placement {
    int32_t x, y, width, height;
};

struct DialogLayout {
    Placement list;
    Placement output;
    Placement close;
};

// list_top and list_bottom are the list's edges converted to client coordinates.
ListMargins measure_list_margins(Rect32 client, int32_t list_top, int32_t list_bottom);

// button is the button's window rectangle in screen coordinates, top_left its
// top-left corner converted to client coordinates.
ButtonAnchor measure_button_anchor(Rect32 client, Rect32 button, Point32 top_left);

// Centred over parent; a negative coordinate becomes 0, nothing else is clamped.
Point32 centred_position(Rect32 parent, Rect32 dialog);

// The list spans the client width; both buttons keep their offsets to the
// bottom-right corner. Nothing is bounded: sizes may come out zero or negative.
DialogLayout layout_for_client(Rect32 client, ListMargins margins, ButtonAnchor output,
                               ButtonAnchor close);
