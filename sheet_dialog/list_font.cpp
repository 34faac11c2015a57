// The fonts of the list's rows, made from the system's menu font.
#include "sheet_dialog/list_font.h"

#include <stddef.h>
#include <string.h>

// The metrics are asked for in their form without the padded border width,
// which every version of the system understands.
constexpr UINT METRICS_SIZE = 340;
static_assert(offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth) == METRICS_SIZE,
              "340 bytes end before the padded border width");

HFONT make_list_font(int point_size, int weight, int underline) {
    NONCLIENTMETRICSA metrics;
    memset(&metrics, 0, sizeof(metrics));
    metrics.cbSize = METRICS_SIZE;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, METRICS_SIZE, &metrics, 0);
    LOGFONTA font = metrics.lfMenuFont;
    if (point_size > 0) {
        HDC screen = GetDC(nullptr);
        int pixels_per_inch = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        font.lfHeight = point_size * pixels_per_inch / -72;
    }
    if (weight > 0) font.lfWeight = weight;
    font.lfUnderline = static_cast<BYTE>(underline);
    return CreateFontIndirectA(&font);
}
