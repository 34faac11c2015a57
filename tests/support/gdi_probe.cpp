// Redirects a loaded module's GDI imports to recorders through its import
// address table, and keeps what they record.
#include "tests/support/gdi_probe.h"

#include <string.h>

#include "tests/support/import_patch.h"

namespace {

struct ProbeState {
    CRITICAL_SECTION lock;
    DWORD armed_thread = 0;
    HDC armed_dc = nullptr;
    std::vector<GdiEvent> events;
};

ProbeState& state() {
    static ProbeState* probe = [] {
        ProbeState* created = new ProbeState;
        InitializeCriticalSection(&created->lock);
        return created;
    }();
    return *probe;
}

bool armed_here() {
    return state().armed_thread != 0 && state().armed_thread == GetCurrentThreadId();
}

GdiEvent make_event(GdiCallKind kind) {
    GdiEvent event;
    event.kind = kind;
    return event;
}

void record(const GdiEvent& event) {
    EnterCriticalSection(&state().lock);
    state().events.push_back(event);
    LeaveCriticalSection(&state().lock);
}

HFONT WINAPI probe_create_font(const LOGFONTA* font) {
    HFONT made = CreateFontIndirectA(font);
    if (armed_here()) {
        GdiEvent event = make_event(GDI_CREATE_FONT);
        event.object = made;
        record(event);
    }
    return made;
}

HBRUSH WINAPI probe_create_brush(COLORREF colour) {
    HBRUSH made = CreateSolidBrush(colour);
    if (armed_here()) {
        GdiEvent event = make_event(GDI_CREATE_BRUSH);
        event.object = made;
        record(event);
    }
    return made;
}

HPEN WINAPI probe_create_pen(int style, int width, COLORREF colour) {
    HPEN made = CreatePen(style, width, colour);
    if (armed_here()) {
        GdiEvent event = make_event(GDI_CREATE_PEN);
        event.object = made;
        record(event);
    }
    return made;
}

HGDIOBJ WINAPI probe_select(HDC dc, HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc, object);
    if (armed_here()) {
        GdiEvent event = make_event(GDI_SELECT);
        event.dc = dc;
        event.object = object;
        event.previous = previous;
        record(event);
    }
    return previous;
}

BOOL WINAPI probe_delete(HGDIOBJ object) {
    bool selected = false;
    HDC dc = state().armed_dc;
    if (armed_here() && dc != nullptr) {
        selected = GetCurrentObject(dc, OBJ_FONT) == object || GetCurrentObject(dc, OBJ_PEN) == object ||
                   GetCurrentObject(dc, OBJ_BRUSH) == object;
    }
    BOOL deleted = DeleteObject(object);
    if (armed_here()) {
        GdiEvent event = make_event(GDI_DELETE);
        event.object = object;
        event.type_after = GetObjectType(object);
        event.still_selected = selected;
        record(event);
    }
    return deleted;
}

int WINAPI probe_draw_text(HDC dc, LPCSTR text, int count, LPRECT rect, UINT flags) {
    if (armed_here()) {
        GdiEvent event = make_event(GDI_DRAW_TEXT);
        event.dc = dc;
        event.text = count < 0 ? std::string(text) : std::string(text, count);
        event.rect = *rect;
        event.flags = flags;
        event.text_colour = GetTextColor(dc);
        event.object = GetCurrentObject(dc, OBJ_FONT);
        GetObjectA(event.object, sizeof(event.font), &event.font);
        record(event);
    }
    return DrawTextA(dc, text, count, rect, flags);
}

BOOL WINAPI probe_metrics(UINT action, UINT ui_param, PVOID data, UINT update) {
    if (armed_here()) {
        GdiEvent event = make_event(GDI_METRICS);
        event.action = action;
        event.ui_param = ui_param;
        if (data != nullptr && action == SPI_GETNONCLIENTMETRICS) {
            const unsigned char* bytes = static_cast<const unsigned char*>(data);
            memcpy(&event.cb_size, bytes, sizeof(UINT));
            event.zero_filled = true;
            for (UINT i = sizeof(UINT); i < event.cb_size && i < sizeof(NONCLIENTMETRICSA); ++i)
                event.zero_filled = event.zero_filled && bytes[i] == 0;
        }
        record(event);
    }
    return SystemParametersInfoA(action, ui_param, data, update);
}

ImportRedirect redirects[] = {
    {"user32.dll", "DrawTextA", reinterpret_cast<void*>(probe_draw_text), nullptr},
    {"user32.dll", "SystemParametersInfoA", reinterpret_cast<void*>(probe_metrics), nullptr},
    {"gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void*>(probe_create_font), nullptr},
    {"gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(probe_create_brush), nullptr},
    {"gdi32.dll", "CreatePen", reinterpret_cast<void*>(probe_create_pen), nullptr},
    {"gdi32.dll", "SelectObject", reinterpret_cast<void*>(probe_select), nullptr},
    {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(probe_delete), nullptr},
};

HMODULE probed_module = nullptr;

}  // namespace

bool install_gdi_probe(HMODULE module) {
    probed_module = module;
    if (redirect_imports(module, redirects, sizeof(redirects) / sizeof(redirects[0]))) return true;
    probed_module = nullptr;
    return false;
}

void remove_gdi_probe() {
    if (probed_module != nullptr) restore_imports(probed_module, redirects, sizeof(redirects) / sizeof(redirects[0]));
    probed_module = nullptr;
}

void arm_gdi_probe(HDC dc) {
    EnterCriticalSection(&state().lock);
    state().armed_dc = dc;
    state().armed_thread = GetCurrentThreadId();
    LeaveCriticalSection(&state().lock);
}

void disarm_gdi_probe() {
    EnterCriticalSection(&state().lock);
    state().armed_thread = 0;
    state().armed_dc = nullptr;
    LeaveCriticalSection(&state().lock);
}

std::vector<GdiEvent> take_gdi_events() {
    EnterCriticalSection(&state().lock);
    std::vector<GdiEvent> taken;
    taken.swap(state().events);
    LeaveCriticalSection(&state().lock);
    return taken;
}
