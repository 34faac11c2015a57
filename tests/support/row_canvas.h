// A row-sized 32-bit DIB section that the module's dialog paints list rows
// into, as the list asks it with WM_DRAWITEM, and the colour rules of a row's
// background to check the pixels against.
#pragma once
#include <windows.h>

struct RowCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD* pixels = nullptr;
    int width = 0;
    int height = 0;
};

bool create_row_canvas(int width, int height, RowCanvas* canvas);
void destroy_row_canvas(RowCanvas* canvas);

void fill_row_canvas(const RowCanvas& canvas, COLORREF colour);
COLORREF row_canvas_pixel(const RowCanvas& canvas, int x, int y);

// The WM_DRAWITEM request that the set list makes to have a whole row painted:
// item with its data and state, in rect of dc; list may be null.
DRAWITEMSTRUCT list_row_request(HWND list, HDC dc, RECT rect, int item, ULONG_PTR item_data, UINT state);

// Sends the dialog a WM_DRAWITEM for list row item, with its item data, to
// paint the whole canvas; false when the dialog did not answer in timeout_ms.
bool paint_list_row(HWND dialog, const RowCanvas& canvas, int item, ULONG_PTR item_data,
                    DWORD timeout_ms);

// A row's background: a set row (row_kind 0) or any other kind, in the
// selected row's set or not.
COLORREF expected_row_background(int row_kind, bool in_selected_set);

// Pixels of the canvas's top line that differ from colour: the line lies above
// every text and box, so a whole row's fill shows there alone.
int top_line_misses(const RowCanvas& canvas, COLORREF colour);
