// Watches a loaded module's GDI work: its imports of DrawTextA,
// SystemParametersInfoA, CreateFontIndirectA, CreateSolidBrush, CreatePen,
// SelectObject and DeleteObject are redirected to recorders, which note each
// call made on the armed thread while the probe is armed.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

enum GdiCallKind {
    GDI_CREATE_FONT,
    GDI_CREATE_BRUSH,
    GDI_CREATE_PEN,
    GDI_SELECT,
    GDI_DELETE,
    GDI_DRAW_TEXT,
    GDI_METRICS,
};

struct GdiEvent {
    GdiCallKind kind = GDI_DRAW_TEXT;
    HDC dc = nullptr;
    HGDIOBJ object = nullptr;    // created, selected or deleted; DrawTextA: the font selected
    HGDIOBJ previous = nullptr;  // what SelectObject gave back
    DWORD type_after = 0;        // GDI_DELETE: GetObjectType once deleted
    bool still_selected = false; // GDI_DELETE: the armed DC still held it
    // GDI_DRAW_TEXT
    std::string text;
    RECT rect = {0, 0, 0, 0};
    UINT flags = 0;
    COLORREF text_colour = 0;
    LOGFONTA font = {};
    // GDI_METRICS
    UINT action = 0;
    UINT ui_param = 0;
    UINT cb_size = 0;
    bool zero_filled = false;    // every byte after cbSize was 0 before the call
};

// Redirects module's imports; false when one of them was not found (the
// others are put back then).
bool install_gdi_probe(HMODULE module);

// Puts the original addresses back.
void remove_gdi_probe();

// Records the calls that the current thread makes from now on; dc is the
// device context whose selections the recorders look at.
void arm_gdi_probe(HDC dc);
void disarm_gdi_probe();

// The calls recorded since the last take, oldest first.
std::vector<GdiEvent> take_gdi_events();
