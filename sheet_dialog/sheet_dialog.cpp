// The score-sheet dialog procedure: routing, initialisation, centring, layout
// and the close handling.
#include "sheet_dialog/sheet_dialog.h"

#include "host/host_records.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/row_painting.h"
#include "sheet_dialog/set_rows.h"
#include "sheet_dialog/sheet_output.h"
#include "sheet_dialog/sheet_row.h"

ListMargins list_margins;
ButtonAnchor output_anchor;
ButtonAnchor close_anchor;

static Rect32 to_rect32(const RECT& rect) {
    return Rect32{rect.left, rect.top, rect.right, rect.bottom};
}

void capture_button_anchor(HWND dialog, const RECT& button, ButtonAnchor* anchor) {
    RECT client;
    GetClientRect(dialog, &client);
    POINT top_left = {button.left, button.top};
    ScreenToClient(dialog, &top_left);
    *anchor = measure_button_anchor(to_rect32(client), to_rect32(button),
                                    Point32{top_left.x, top_left.y});
}

void update_output_button(HWND dialog) {
    LRESULT selection = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCURSEL, 0, 0);
    EnableWindow(GetDlgItem(dialog, IDC_OUTPUT), selection != LB_ERR);
}

static void measure_layout(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    RECT list;
    GetWindowRect(GetDlgItem(dialog, IDC_SET_LIST), &list);
    POINT bottom = {list.left, list.bottom};
    ScreenToClient(dialog, &bottom);
    POINT top = {list.left, list.top};
    ScreenToClient(dialog, &top);
    list_margins = measure_list_margins(to_rect32(client), top.y, bottom.y);

    RECT button;
    GetWindowRect(GetDlgItem(dialog, IDC_OUTPUT), &button);
    capture_button_anchor(dialog, button, &output_anchor);
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &button);
    capture_button_anchor(dialog, button, &close_anchor);
}

static void centre_over_parent(HWND dialog) {
    RECT parent;
    GetWindowRect(GetParent(dialog), &parent);
    RECT own;
    GetWindowRect(dialog, &own);
    Point32 position = centred_position(to_rect32(parent), to_rect32(own));
    SetWindowPos(dialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

static void move_control(HWND dialog, int id, const Placement& placement) {
    MoveWindow(GetDlgItem(dialog, id), placement.x, placement.y, placement.width,
               placement.height, TRUE);
}

static void on_size(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    DialogLayout layout =
        layout_for_client(to_rect32(client), list_margins, output_anchor, close_anchor);
    move_control(dialog, IDC_SET_LIST, layout.list);
    move_control(dialog, IDC_OUTPUT, layout.output);
    move_control(dialog, IDCANCEL, layout.close);
    InvalidateRect(dialog, nullptr, FALSE);
    UpdateWindow(dialog);
}

static void on_init_dialog(HWND dialog, const HostSetList* set_list) {
    if (set_list == nullptr) {
        EndDialog(dialog, 0);
        return;
    }
    measure_layout(dialog);
    centre_over_parent(dialog);
    SendMessageA(dialog, WM_SIZE, SIZE_RESTORED, 0);
    HWND list = GetDlgItem(dialog, IDC_SET_LIST);
    fill_set_list(list, set_list);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    update_output_button(dialog);
}

static void on_draw_item(HWND dialog, const DRAWITEMSTRUCT* request) {
    const SheetRow* selected_row = nullptr;
    LRESULT selection = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETCURSEL, 0, 0);
    if (selection != LB_ERR) {
        LRESULT data = SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_GETITEMDATA, selection, 0);
        if (data != LB_ERR) selected_row = reinterpret_cast<const SheetRow*>(data);
    }
    draw_sheet_row(request, selected_row);
}

static void on_list_notification(HWND dialog, WORD notification) {
    if (notification == LBN_DBLCLK) {
        // The enabled state of "Output" is not consulted.
        SendMessageA(dialog, WM_COMMAND, IDC_OUTPUT, 0);
    } else if (notification == LBN_SELCHANGE) {
        // The group highlight follows the selected set: every row repaints.
        HWND list = GetDlgItem(dialog, IDC_SET_LIST);
        InvalidateRect(list, nullptr, FALSE);
        UpdateWindow(list);
    }
}

static void on_command(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDCANCEL:
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        break;
    case IDC_SET_LIST:
        on_list_notification(dialog, HIWORD(wParam));
        break;
    case IDC_OUTPUT:
        output_selected_set(dialog);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK sheet_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        on_init_dialog(dialog, reinterpret_cast<const HostSetList*>(lParam));
        return TRUE;
    case WM_SIZE:
        on_size(dialog);
        return TRUE;
    case WM_MEASUREITEM:
        if (wParam == IDC_SET_LIST) reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 24;
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_SET_LIST) on_draw_item(dialog, reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        on_command(dialog, wParam);
        return TRUE;
    case WM_CLOSE:
        release_rows(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}
