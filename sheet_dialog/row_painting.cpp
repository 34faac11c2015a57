// Painting set rows, leg rows and the group highlight. Every font and pen is
// selected and restored, every brush used unselected, and all are deleted
// before the paint returns: nothing is kept between paints.
#include "sheet_dialog/row_painting.h"

#include "plugin/text_fetch.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/list_font.h"
#include "sheet_dialog/row_layout.h"

static_assert(SYSCOLOUR_WINDOW == COLOR_WINDOW && SYSCOLOUR_WINDOWTEXT == COLOR_WINDOWTEXT &&
                  SYSCOLOUR_HIGHLIGHT == COLOR_HIGHLIGHT &&
                  SYSCOLOUR_HIGHLIGHTTEXT == COLOR_HIGHLIGHTTEXT &&
                  SYSCOLOUR_BTNFACE == COLOR_BTNFACE && SYSCOLOUR_BTNSHADOW == COLOR_BTNSHADOW,
              "system colour indexes");
static_assert(LIGHT_YELLOW_RGB == RGB(255, 255, 200), "light yellow");

constexpr UINT LEFT_TEXT = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
constexpr UINT CENTRED_TEXT = LEFT_TEXT | DT_CENTER;
constexpr int LIST_POINT_SIZE = 12;
constexpr int SET_ROW_WEIGHT = 700;

static RECT to_rect(const Rect32& rect) {
    RECT out;
    SetRect(&out, rect.left, rect.top, rect.right, rect.bottom);
    return out;
}

static COLORREF colour_of(int choice) {
    return choice == FIXED_LIGHT_YELLOW ? LIGHT_YELLOW_RGB : GetSysColor(choice);
}

static void fill_solid(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

static void draw_in(HDC dc, const char* text, const Rect32& area, UINT flags) {
    RECT rect = to_rect(area);
    DrawTextA(dc, text, -1, &rect, flags);
}

static void paint_set_row(HDC dc, const RowColumns& columns, const HostSetRecord* set) {
    char label[256];
    HFONT font = make_list_font(LIST_POINT_SIZE, SET_ROW_WEIGHT, 0);
    HGDIOBJ previous = SelectObject(dc, font);
    wsprintfA(label, "%d", set->number);
    draw_in(dc, label, columns.number, LEFT_TEXT);
    if (set->set_mode == 1) {
        wsprintfA(label, fetch_string(IDS_SET_ORDINAL), wrap_add(set->set_ordinal, 1));
        draw_in(dc, label, columns.ordinal, LEFT_TEXT);
    }
    SelectObject(dc, previous);
    DeleteObject(font);

    const Rect32* player_columns[2] = {&columns.player0, &columns.player1};
    for (int p = 0; p < 2; ++p) {
        const HostPlayerBlock& player = set->players[p];
        if (label_is_computer(player.is_computer)) {
            wsprintfA(label, fetch_string(IDS_COM_LEVEL), wrap_add(player.computer_level, 1));
        } else {
            // Bounded by the name's field, so a name that the host left
            // unterminated cannot run past the label.
            lstrcpynA(label, player.name, sizeof(player.name));
        }
        int underline = label_underlined(player.tally, set->players[1 - p].tally);
        font = make_list_font(LIST_POINT_SIZE, SET_ROW_WEIGHT, underline);
        previous = SelectObject(dc, font);
        draw_in(dc, label, *player_columns[p], CENTRED_TEXT);
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

static void paint_leg_row(HDC dc, const RECT& row_rect, const RowColumns& columns,
                          const SheetRow* row, COLORREF text_colour) {
    const HostSetRecord* set = row->row_set;
    Rect32 row_area = {row_rect.left, row_rect.top, row_rect.right, row_rect.bottom};
    char label[256];

    HFONT font = make_list_font(LIST_POINT_SIZE, 0, 0);
    HGDIOBJ previous = SelectObject(dc, font);
    wsprintfA(label, fetch_string(IDS_LEG_NUMBER), row->leg_number);
    draw_in(dc, label, columns.ordinal, LEFT_TEXT);

    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, "8888", 4, &extent);
    const HostLegRecord* leg = set->legs + (row->leg_number - 1);

    const Rect32* player_columns[2] = {&columns.player0, &columns.player1};
    Rect32 boxes[2];
    for (int p = 0; p < 2; ++p) {
        boxes[p] = leg_box(*player_columns[p], row_area, extent.cx);
        COLORREF frame;
        // The figure belongs to the winner alone: it is read for that box only.
        int32_t winner = leg->winner;
        int32_t figure = winner == p ? leg->winner_figure : 0;
        if (box_shows_figure(winner, figure, p)) {
            // The box before may have left the shadow colour behind.
            SetTextColor(dc, text_colour);
            frame = text_colour;
            wsprintfA(label, "%d", figure);
        } else {
            frame = GetSysColor(COLOR_BTNSHADOW);
            SetTextColor(dc, frame);
            lstrcpyA(label, "-");
        }
        HBRUSH brush = CreateSolidBrush(frame);
        RECT box = to_rect(boxes[p]);
        DrawTextA(dc, label, -1, &box, CENTRED_TEXT);
        FrameRect(dc, &box, brush);
        DeleteObject(brush);
    }
    SelectObject(dc, previous);
    DeleteObject(font);

    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    previous = SelectObject(dc, pen);
    JoinLine line = join_line(boxes[0], boxes[1], row_area);
    MoveToEx(dc, line.from_x, line.y, nullptr);
    LineTo(dc, line.to_x, line.y);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

void draw_sheet_row(const DRAWITEMSTRUCT* request, const SheetRow* selected_row) {
    HDC dc = request->hDC;
    const RECT& rect = request->rcItem;
    // Read as a signed value, anything but a positive address is no record.
    if (static_cast<int32_t>(request->itemData) <= 0) {
        fill_solid(dc, rect, GetSysColor(COLOR_WINDOW));
        return;
    }
    const SheetRow* row = reinterpret_cast<const SheetRow*>(request->itemData);
    RowColumns columns = row_columns(Rect32{rect.left, rect.top, rect.right, rect.bottom});
    int in_selected_set = selected_row != nullptr && selected_row->row_set == row->row_set;
    RowColourChoice choice = choose_row_colours(row->row_kind, in_selected_set);
    COLORREF text_colour = colour_of(choice.text);
    COLORREF background = colour_of(choice.background);
    fill_solid(dc, rect, background);
    SetTextColor(dc, text_colour);
    SetBkColor(dc, background);

    if (row->row_kind == ROW_SET) {
        paint_set_row(dc, columns, row->row_set);
    } else if (row->row_kind == ROW_LEG) {
        paint_leg_row(dc, rect, columns, row, text_colour);
    }
}
