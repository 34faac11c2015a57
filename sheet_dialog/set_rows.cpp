// Filling the list with set and leg rows, and freeing their records.
#include "sheet_dialog/set_rows.h"

#include "plugin/text_fetch.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/sheet_row.h"

static void add_row(HWND list, const char* text, int32_t kind, HostSetRecord* set,
                    int32_t leg_number) {
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    // A row the list refused has nothing to hold a record: none is made.
    if (index < 0) return;
    SheetRow* row = static_cast<SheetRow*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(SheetRow)));
    // Without a record the row keeps null item data and shows as an empty row.
    if (row == nullptr) return;
    row->row_kind = kind;
    row->row_set = set;
    row->leg_number = leg_number;
    SendMessageA(list, LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(row));
}

static void add_set_row(HWND list, HostSetRecord* set) {
    char text[256];
    wsprintfA(text, "%d", set->number);
    add_row(list, text, ROW_SET, set, 0);
}

void add_leg_rows(HWND list, HostSetRecord* set) {
    for (int32_t n = 1; n <= set->leg_count; ++n) {
        char text[256];
        wsprintfA(text, fetch_string(IDS_LEG_NUMBER), n);
        add_row(list, text, ROW_LEG, set, n);
        if (n == INT32_MAX) break;
    }
}

void fill_set_list(HWND list, const HostSetList* set_list) {
    int32_t set_count = set_list->set_count;
    if (set_count > 0) {
        HostSetRecord* stored = set_list->stored_sets;
        for (int32_t i = 0; i < set_count; ++i) {
            HostSetRecord* set = stored + i;
            add_set_row(list, set);
            add_leg_rows(list, set);
        }
    }
    HostSetRecord* current = set_list->current_set;
    if (current->closed == 0 && current->leg_count > 0) {
        add_set_row(list, current);
        add_leg_rows(list, current);
    }
}

void release_rows(HWND dialog) {
    LRESULT count = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count;
         ++i, count = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCOUNT, 0, 0)) {
        LRESULT data = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETITEMDATA, i, 0);
        if (data == 0 || data == LB_ERR) continue;
        LocalFree(reinterpret_cast<HLOCAL>(data));
        SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_SETITEMDATA, i, 0);
    }
}
