// The module's heap records and GDI objects, counted through its imports.
#include "tests/support/module_ledger.h"

#include "tests/support/import_patch.h"

namespace {

enum ObjectKind { OBJECT_FONT, OBJECT_BRUSH, OBJECT_PEN };

struct LiveObject {
    HGDIOBJ object;
    ObjectKind kind;
    HDC selected_into;  // the DC it was last selected into, if any
};

// A paint holds at most a few objects at once; the table has ample room.
const int TABLE_SIZE = 64;

struct LedgerState {
    CRITICAL_SECTION lock;
    ModuleLedger counts;
    LiveObject live[TABLE_SIZE];
    int live_count = 0;
    HLOCAL records[4096];  // the row records alive: one dialog's rows at most
    int record_count = 0;
};

LedgerState& state() {
    static LedgerState* made = [] {
        LedgerState* created = new LedgerState;
        InitializeCriticalSection(&created->lock);
        return created;
    }();
    return *made;
}

struct Guard {
    Guard() { EnterCriticalSection(&state().lock); }
    ~Guard() { LeaveCriticalSection(&state().lock); }
};

void note_created(HGDIOBJ object, ObjectKind kind, long* counter) {
    Guard guard;
    ++*counter;
    if (object == nullptr) return;
    LedgerState& s = state();
    if (s.live_count == TABLE_SIZE) {
        ++s.counts.table_overflows;
        return;
    }
    s.live[s.live_count++] = LiveObject{object, kind, nullptr};
    s.counts.live_objects = s.live_count;
}

int find_live(HGDIOBJ object) {
    for (int i = 0; i < state().live_count; ++i)
        if (state().live[i].object == object) return i;
    return -1;
}

HFONT WINAPI ledger_create_font(const LOGFONTA* font) {
    HFONT made = CreateFontIndirectA(font);
    note_created(made, OBJECT_FONT, &state().counts.fonts_created);
    return made;
}

HBRUSH WINAPI ledger_create_brush(COLORREF colour) {
    HBRUSH made = CreateSolidBrush(colour);
    note_created(made, OBJECT_BRUSH, &state().counts.brushes_created);
    return made;
}

HPEN WINAPI ledger_create_pen(int style, int width, COLORREF colour) {
    HPEN made = CreatePen(style, width, colour);
    note_created(made, OBJECT_PEN, &state().counts.pens_created);
    return made;
}

HGDIOBJ WINAPI ledger_select(HDC dc, HGDIOBJ object) {
    {
        Guard guard;
        int index = find_live(object);
        if (index >= 0) {
            state().live[index].selected_into = dc;
            if (state().live[index].kind == OBJECT_BRUSH) ++state().counts.brushes_selected;
        }
    }
    return SelectObject(dc, object);
}

BOOL WINAPI ledger_delete(HGDIOBJ object) {
    Guard guard;
    LedgerState& s = state();
    int index = find_live(object);
    if (index < 0) {
        ++s.counts.foreign_deletes;
    } else {
        const LiveObject& live = s.live[index];
        if (live.selected_into != nullptr) {
            UINT type = live.kind == OBJECT_FONT ? OBJ_FONT : live.kind == OBJECT_PEN ? OBJ_PEN : OBJ_BRUSH;
            if (GetCurrentObject(live.selected_into, type) == object) ++s.counts.deleted_while_selected;
        }
        long* deleted = live.kind == OBJECT_FONT    ? &s.counts.fonts_deleted
                        : live.kind == OBJECT_BRUSH ? &s.counts.brushes_deleted
                                                    : &s.counts.pens_deleted;
        ++*deleted;
        s.live[index] = s.live[--s.live_count];
        s.counts.live_objects = s.live_count;
    }
    BOOL deleted = DeleteObject(object);
    if (!deleted) ++s.counts.failed_deletes;
    return deleted;
}

HLOCAL WINAPI ledger_local_alloc(UINT flags, SIZE_T size) {
    HLOCAL memory = LocalAlloc(flags, size);
    Guard guard;
    LedgerState& s = state();
    ++s.counts.allocations;
    if (flags != (LMEM_FIXED | LMEM_ZEROINIT) || size != 12) ++s.counts.odd_allocations;
    if (memory == nullptr) return memory;
    if (s.record_count == static_cast<int>(sizeof(s.records) / sizeof(s.records[0]))) {
        ++s.counts.table_overflows;
    } else {
        s.records[s.record_count++] = memory;
    }
    s.counts.live_records = s.record_count;
    return memory;
}

HLOCAL WINAPI ledger_local_free(HLOCAL memory) {
    {
        Guard guard;
        LedgerState& s = state();
        ++s.counts.frees;
        int index = -1;
        // A plain search: the table holds one dialog's rows at most.
        for (int i = 0; i < s.record_count && index < 0; ++i)
            if (s.records[i] == memory) index = i;
        if (index < 0) {
            ++s.counts.foreign_frees;
        } else {
            s.records[index] = s.records[--s.record_count];
        }
        s.counts.live_records = s.record_count;
    }
    return LocalFree(memory);
}

ImportRedirect redirects[] = {
    {"kernel32.dll", "LocalAlloc", reinterpret_cast<void*>(ledger_local_alloc), nullptr},
    {"kernel32.dll", "LocalFree", reinterpret_cast<void*>(ledger_local_free), nullptr},
    {"gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void*>(ledger_create_font), nullptr},
    {"gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(ledger_create_brush), nullptr},
    {"gdi32.dll", "CreatePen", reinterpret_cast<void*>(ledger_create_pen), nullptr},
    {"gdi32.dll", "SelectObject", reinterpret_cast<void*>(ledger_select), nullptr},
    {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(ledger_delete), nullptr},
};

HMODULE ledger_module = nullptr;

}  // namespace

bool install_module_ledger(HMODULE module) {
    ledger_module = module;
    {
        Guard guard;
        state().counts = ModuleLedger();
        state().live_count = 0;
        state().record_count = 0;
    }
    if (redirect_imports(module, redirects, sizeof(redirects) / sizeof(redirects[0]))) return true;
    ledger_module = nullptr;
    return false;
}

void remove_module_ledger() {
    if (ledger_module != nullptr) restore_imports(ledger_module, redirects, sizeof(redirects) / sizeof(redirects[0]));
    ledger_module = nullptr;
}

ModuleLedger read_module_ledger() {
    Guard guard;
    return state().counts;
}
