// A DIB section that list rows are painted into, and the background rules.
#include "tests/support/row_canvas.h"

#include <string.h>

#include "resources/resource_ids.h"
#include "tests/support/dialog_driver.h"

bool create_row_canvas(int width, int height, RowCanvas* canvas) {
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    canvas->dc = CreateCompatibleDC(nullptr);
    canvas->bitmap = CreateDIBSection(canvas->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (canvas->dc == nullptr || canvas->bitmap == nullptr) {
        destroy_row_canvas(canvas);
        return false;
    }
    canvas->previous = SelectObject(canvas->dc, canvas->bitmap);
    canvas->pixels = static_cast<DWORD*>(bits);
    canvas->width = width;
    canvas->height = height;
    return true;
}

void destroy_row_canvas(RowCanvas* canvas) {
    if (canvas->dc && canvas->previous) SelectObject(canvas->dc, canvas->previous);
    if (canvas->dc) DeleteDC(canvas->dc);
    if (canvas->bitmap) DeleteObject(canvas->bitmap);
    *canvas = RowCanvas();
}

void fill_row_canvas(const RowCanvas& canvas, COLORREF colour) {
    GdiFlush();
    DWORD value = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (int i = 0; i < canvas.width * canvas.height; ++i) canvas.pixels[i] = value;
}

COLORREF row_canvas_pixel(const RowCanvas& canvas, int x, int y) {
    DWORD value = canvas.pixels[y * canvas.width + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

DRAWITEMSTRUCT list_row_request(HWND list, HDC dc, RECT rect, int item, ULONG_PTR item_data, UINT state) {
    DRAWITEMSTRUCT request;
    memset(&request, 0, sizeof(request));
    request.CtlType = ODT_LISTBOX;
    request.CtlID = IDC_SET_LIST;
    request.itemID = static_cast<UINT>(item);
    request.itemAction = ODA_DRAWENTIRE;
    request.itemState = state;
    request.hwndItem = list;
    request.hDC = dc;
    request.rcItem = rect;
    request.itemData = item_data;
    return request;
}

bool paint_list_row(HWND dialog, const RowCanvas& canvas, int item, ULONG_PTR item_data,
                    DWORD timeout_ms) {
    RECT rect = {0, 0, canvas.width, canvas.height};
    DRAWITEMSTRUCT request =
        list_row_request(GetDlgItem(dialog, IDC_SET_LIST), canvas.dc, rect, item, item_data, 0);
    GdiFlush();
    bool answered = send_bounded(dialog, WM_DRAWITEM, IDC_SET_LIST,
                                 reinterpret_cast<LPARAM>(&request), timeout_ms);
    GdiFlush();
    return answered;
}

COLORREF expected_row_background(int row_kind, bool in_selected_set) {
    if (row_kind == 0) return GetSysColor(in_selected_set ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    return in_selected_set ? RGB(255, 255, 200) : GetSysColor(COLOR_WINDOW);
}

int top_line_misses(const RowCanvas& canvas, COLORREF colour) {
    int misses = 0;
    for (int x = 0; x < canvas.width; ++x) misses += row_canvas_pixel(canvas, x, 0) != colour;
    return misses;
}
