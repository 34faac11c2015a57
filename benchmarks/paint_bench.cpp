// Times the module's row painting (draw_sheet_row) into a memory bitmap, per row
// kind and for a whole visible list, next to a minimal owner-draw painter.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "plugin/module_state.h"
#include "plugin/text_fetch.h"
#include "resources/resource_ids.h"
#include "sheet_dialog/list_font.h"
#include "sheet_dialog/row_painting.h"
#include "sheet_dialog/sheet_dialog.h"
#include "sheet_dialog/sheet_row.h"
#include "tests/support/fixture_host.h"
#include "benchmarks/bench_clock.h"
#include "tests/support/loaded_module.h"
#include "tests/support/row_canvas.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int ROW_WIDTH = 380;
constexpr int ROW_HEIGHT = 24;
constexpr int VISIBLE_ROWS = 20;
constexpr int PAINTS_PER_KIND = 2000;
constexpr int LIST_PAINTS = 200;
constexpr int BATCHES = 5;

// Microseconds a call of work, the median over BATCHES batches of calls each,
// after a short warm-up that lets the system build its font caches.
double time_per_call(int calls, const std::function<void()>& work) {
    for (int i = 0; i < 50; ++i) work();
    std::vector<double> batches;
    for (int b = 0; b < BATCHES; ++b) {
        LONGLONG start = ticks();
        for (int i = 0; i < calls; ++i) work();
        LONGLONG spent = ticks() - start;
        batches.push_back(static_cast<double>(spent) * 1e6 / static_cast<double>(tick_frequency()) /
                          calls);
    }
    return median(batches);
}

// --- A 32-bit top-down DIB section in a memory DC, as tall as the visible list.

struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    unsigned* pixels = nullptr;
};

bool make_canvas(Canvas* canvas) {
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = ROW_WIDTH;
    info.bmiHeader.biHeight = -ROW_HEIGHT * VISIBLE_ROWS;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    canvas->dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    canvas->bitmap = CreateDIBSection(canvas->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (canvas->dc == nullptr || canvas->bitmap == nullptr) return false;
    canvas->pixels = static_cast<unsigned*>(bits);
    canvas->previous = SelectObject(canvas->dc, canvas->bitmap);
    return true;
}

void free_canvas(Canvas* canvas) {
    SelectObject(canvas->dc, canvas->previous);
    DeleteObject(canvas->bitmap);
    DeleteDC(canvas->dc);
}

// Distinct colours in a row band: a check that the paint really drew something.
size_t colours_in_row(const Canvas& canvas, int row) {
    std::vector<unsigned> seen(canvas.pixels + row * ROW_HEIGHT * ROW_WIDTH,
                               canvas.pixels + (row + 1) * ROW_HEIGHT * ROW_WIDTH);
    std::sort(seen.begin(), seen.end());
    return static_cast<size_t>(std::unique(seen.begin(), seen.end()) - seen.begin());
}

bool save_bitmap(const Canvas& canvas, const std::string& path) {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER header;
    memset(&file, 0, sizeof(file));
    memset(&header, 0, sizeof(header));
    DWORD size = ROW_WIDTH * ROW_HEIGHT * VISIBLE_ROWS * 4;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + size;
    header.biSize = sizeof(header);
    header.biWidth = ROW_WIDTH;
    header.biHeight = -ROW_HEIGHT * VISIBLE_ROWS;
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes.append(reinterpret_cast<const char*>(canvas.pixels), size);
    return write_file_bytes(path, bytes);
}

// --- The host's records and the rows of the visible list.

struct PaintFixture {
    HostLegRecord legs[5];
    HostSetRecord sets[4];
    std::vector<SheetRow> rows;  // the visible list: sets followed by their legs
};

void build_fixture(PaintFixture* fixture) {
    for (int i = 0; i < 5; ++i) fixture->legs[i] = make_leg(i % 2, i == 2 ? 0 : 101 + 20 * i);
    for (int s = 0; s < 4; ++s) {
        HostSetRecord& set = fixture->sets[s];
        set = make_set(s + 1, 5, fixture->legs);
        set.set_mode = 1;
        set.set_ordinal = s;
        lstrcpynA(set.players[0].name, "Player One", sizeof(set.players[0].name));
        lstrcpynA(set.players[1].name, "Player Two", sizeof(set.players[1].name));
        set.players[0].tally = 3;
        set.players[1].tally = 2;
        // One set against the computer, so that label is painted too.
        if (s == 1) {
            set.players[1].is_computer = 1;
            set.players[1].computer_level = 4;
        }
    }
    fixture->rows.clear();
    for (int s = 0; s < 4 && fixture->rows.size() < VISIBLE_ROWS; ++s) {
        fixture->rows.push_back(SheetRow{ROW_SET, &fixture->sets[s], 0});
        for (int n = 1; n <= 5 && fixture->rows.size() < VISIBLE_ROWS; ++n)
            fixture->rows.push_back(SheetRow{ROW_LEG, &fixture->sets[s], n});
    }
}

DRAWITEMSTRUCT draw_request(HDC dc, int index, const SheetRow* row, bool selected) {
    RECT rect = {0, index * ROW_HEIGHT, ROW_WIDTH, (index + 1) * ROW_HEIGHT};
    return list_row_request(nullptr, dc, rect, index, reinterpret_cast<ULONG_PTR>(row),
                            selected ? ODS_SELECTED | ODS_FOCUS : 0);
}

// The row's text as the list holds it, for the minimal painter.
std::string row_text(const SheetRow* row) {
    char text[64] = "";
    if (row == nullptr) return text;
    if (row->row_kind == ROW_SET) wsprintfA(text, "%d", row->row_set->number);
    else wsprintfA(text, "%d Legs", row->leg_number);
    return text;
}

// What an owner-drawn list cannot do with less: one brush made, used and
// deleted for the background, and one text.
void minimal_paint(const DRAWITEMSTRUCT* request, const char* text) {
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    FillRect(request->hDC, &request->rcItem, brush);
    DeleteObject(brush);
    RECT rect = request->rcItem;
    DrawTextA(request->hDC, text, -1, &rect, DT_SINGLELINE | DT_VCENTER);
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string save_path = argc > 2 && lstrcmpA(argv[1], "--save") == 0 ? argv[2] : "";

    std::string folder = make_temp_folder("tq7_paint_bench");
    LoadedModule module;
    if (folder.empty() || !load_module_copy(folder, &module)) {
        printf("could not load %s\n", built_module_path().c_str());
        return 1;
    }
    // The painting reads its formats from the module's string table.
    module_instance = module.handle;
    Canvas canvas;
    if (!make_canvas(&canvas)) {
        printf("could not make the %dx%d DIB section\n", ROW_WIDTH, ROW_HEIGHT * VISIBLE_ROWS);
        return 1;
    }
    PaintFixture fixture;
    build_fixture(&fixture);

    printf("paint_bench: draw_sheet_row into a %dx%d 32-bit DIB section, against a minimal painter\n",
           ROW_WIDTH, ROW_HEIGHT * VISIBLE_ROWS);
    printf("  32-bit programs run %s\n", i386_run_mode());
    printf("  code page %u, %d paints a row kind, %d whole-list paints, median of %d batches\n",
           GetACP(), PAINTS_PER_KIND, LIST_PAINTS, BATCHES);

    // Each kind painted at row 0 with the selection on another set, as most rows are.
    const SheetRow* elsewhere = &fixture.rows[VISIBLE_ROWS - 1];
    struct Kind {
        const char* name;
        const SheetRow* row;
    } kinds[] = {{"set row", &fixture.rows[0]},
                 {"leg row", &fixture.rows[1]},
                 {"null row (no record)", nullptr}};
    printf("\n  %-22s %12s %12s %8s %8s\n", "row kind", "module us", "minimal us", "ratio",
           "colours");
    for (const Kind& kind : kinds) {
        DRAWITEMSTRUCT request = draw_request(canvas.dc, 0, kind.row, false);
        std::string text = row_text(kind.row);
        double module_us = time_per_call(PAINTS_PER_KIND, [&] { draw_sheet_row(&request, elsewhere); });
        size_t colours = colours_in_row(canvas, 0);
        double minimal_us = time_per_call(PAINTS_PER_KIND, [&] { minimal_paint(&request, text.c_str()); });
        printf("  %-22s %12.2f %12.2f %8.2f %8u\n", kind.name, module_us, minimal_us,
               module_us / minimal_us, static_cast<unsigned>(colours));
    }

    // The whole visible list with the first set selected, as the dialog opens.
    std::vector<DRAWITEMSTRUCT> requests;
    std::vector<std::string> texts;
    for (int i = 0; i < VISIBLE_ROWS; ++i) {
        requests.push_back(draw_request(canvas.dc, i, &fixture.rows[i], i == 0));
        texts.push_back(row_text(&fixture.rows[i]));
    }
    const SheetRow* selected = &fixture.rows[0];
    double list_module_us = time_per_call(LIST_PAINTS, [&] {
        for (const DRAWITEMSTRUCT& request : requests) draw_sheet_row(&request, selected);
    });
    if (!save_path.empty() && !save_bitmap(canvas, save_path)) printf("  could not save %s\n", save_path.c_str());
    double list_minimal_us = time_per_call(LIST_PAINTS, [&] {
        for (int i = 0; i < VISIBLE_ROWS; ++i) minimal_paint(&requests[i], texts[i].c_str());
    });
    printf("  %-22s %12.2f %12.2f %8.2f\n", "whole list, 20 rows", list_module_us, list_minimal_us,
           list_module_us / list_minimal_us);
    printf("  %-22s %12.2f %12.2f\n", "  the same, per row", list_module_us / VISIBLE_ROWS,
           list_minimal_us / VISIBLE_ROWS);

    // The same rows as the dialog paints them: its procedure asks the list for
    // the selection and its record before every row.
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 420, 500, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    for (int c = 0; c < 3; ++c)
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(2000 + c)),
                        GetModuleHandleA(nullptr), nullptr);
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_HASSTRINGS | LBS_NOTIFY, 0, 0, 380,
                                480, parent, reinterpret_cast<HMENU>(IDC_SET_LIST),
                                GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < VISIBLE_ROWS; ++i) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i].c_str()));
        SendMessageA(list, LB_SETITEMDATA, i, reinterpret_cast<LPARAM>(&fixture.rows[i]));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    double list_dialog_us = time_per_call(LIST_PAINTS, [&] {
        for (DRAWITEMSTRUCT& request : requests)
            sheet_dialog_proc(parent, WM_DRAWITEM, IDC_SET_LIST, reinterpret_cast<LPARAM>(&request));
    });
    DestroyWindow(parent);
    printf("  %-22s %12.2f %12.2f %8.2f\n", "whole list, WM_DRAWITEM", list_dialog_us, list_minimal_us,
           list_dialog_us / list_minimal_us);
    printf("  %-22s %12.2f %12.2f\n", "  the same, per row", list_dialog_us / VISIBLE_ROWS,
           list_minimal_us / VISIBLE_ROWS);

    // Where a module paint goes: the pieces it repeats on every call.
    printf("\n  pieces of a module paint (us a call)\n");
    RECT box;
    SetRect(&box, 0, 0, ROW_WIDTH, ROW_HEIGHT);
    LOGFONTA list_font;
    HFONT sample = make_list_font(12, 700, 0);
    GetObjectA(sample, sizeof(list_font), &list_font);
    DeleteObject(sample);
    struct Piece {
        const char* name;
        std::function<void()> work;
    } pieces[] = {
        {"make_list_font(12, 700, 0) + DeleteObject",
         [] { DeleteObject(make_list_font(12, 700, 0)); }},
        {"make_list_font + select + restore + delete",
         [&] {
             HFONT font = make_list_font(12, 700, 0);
             HGDIOBJ previous = SelectObject(canvas.dc, font);
             SelectObject(canvas.dc, previous);
             DeleteObject(font);
         }},
        {"  the same, underlined font",
         [&] {
             HFONT font = make_list_font(12, 700, 1);
             HGDIOBJ previous = SelectObject(canvas.dc, font);
             SelectObject(canvas.dc, previous);
             DeleteObject(font);
         }},
        {"CreateFontIndirectA(menu font, 12 pt bold) + delete",
         [&] { DeleteObject(CreateFontIndirectA(&list_font)); }},
        {"  the same, selected + restored before delete",
         [&] {
             HFONT font = CreateFontIndirectA(&list_font);
             HGDIOBJ previous = SelectObject(canvas.dc, font);
             SelectObject(canvas.dc, previous);
             DeleteObject(font);
         }},
        {"SystemParametersInfoA(NONCLIENTMETRICS)",
         [] {
             NONCLIENTMETRICSA metrics;
             memset(&metrics, 0, sizeof(metrics));
             metrics.cbSize = 340;
             SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0);
         }},
        {"GetDC + GetDeviceCaps + ReleaseDC",
         [] {
             HDC screen = GetDC(nullptr);
             GetDeviceCaps(screen, LOGPIXELSY);
             ReleaseDC(nullptr, screen);
         }},
        {"fetch_string(IDS_LEG_NUMBER)", [] { fetch_string(IDS_LEG_NUMBER); }},
        {"CreateSolidBrush + FillRect + DeleteObject",
         [&] {
             HBRUSH brush = CreateSolidBrush(RGB(200, 200, 200));
             FillRect(canvas.dc, &box, brush);
             DeleteObject(brush);
         }},
        {"DrawTextA, end ellipsis, system font",
         [&] {
             RECT rect = box;
             DrawTextA(canvas.dc, "Player One", -1, &rect,
                       DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_CENTER);
         }},
    };
    for (const Piece& piece : pieces)
        printf("  %-52s %8.2f\n", piece.name, time_per_call(PAINTS_PER_KIND, piece.work));
    HFONT kept = make_list_font(12, 700, 0);
    HGDIOBJ previous = SelectObject(canvas.dc, kept);
    printf("  %-52s %8.2f\n", "DrawTextA, end ellipsis, list font kept",
           time_per_call(PAINTS_PER_KIND, [&] {
               RECT rect = box;
               DrawTextA(canvas.dc, "Player One", -1, &rect,
                         DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_CENTER);
           }));
    SelectObject(canvas.dc, previous);
    DeleteObject(kept);

    free_canvas(&canvas);
    module_instance = nullptr;
    unload_module(&module);
    remove_folder_tree(folder);
    return 0;
}
