// A scripted host window for tests.
#include "tests/support/fixture_host.h"

#include <string.h>

#include "host/host_messages.h"

static LRESULT CALLBACK fixture_host_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FixtureHost* host = reinterpret_cast<FixtureHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host == nullptr || !host->handles_messages)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case HOSTMSG_GET_SET_LIST:
        ++host->set_list_requests;
        return reinterpret_cast<LRESULT>(host->set_list);
    case HOSTMSG_GET_SHEET_CSV: {
        host->csv_requests.push_back(reinterpret_cast<HostSetRecord*>(lParam));
        if (host->answer_null) return 0;
        char* text = new char[host->csv_text.size() + 1];
        memcpy(text, host->csv_text.c_str(), host->csv_text.size() + 1);
        host->texts_given.push_back(text);
        return reinterpret_cast<LRESULT>(text);
    }
    case HOSTMSG_FREE_SHEET_CSV: {
        const char* text = reinterpret_cast<const char*>(lParam);
        host->texts_released.push_back(text);
        if (host->on_release) host->on_release(text);
        delete[] text;
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND create_fixture_host(FixtureHost* host, int x, int y, int width, int height) {
    static ATOM window_class = 0;
    if (window_class == 0) {
        WNDCLASSA description = {};
        description.lpfnWndProc = fixture_host_proc;
        description.hInstance = GetModuleHandleA(nullptr);
        description.hCursor = LoadCursor(nullptr, IDC_ARROW);
        description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        description.lpszClassName = "tq7_fixture_host";
        window_class = RegisterClassA(&description);
    }
    host->window = CreateWindowExA(0, "tq7_fixture_host", "Fixture host", WS_OVERLAPPEDWINDOW, x, y,
                                   width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                                   nullptr);
    SetWindowLongPtrA(host->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    // MoveWindow places it exactly even where the window manager would not.
    MoveWindow(host->window, x, y, width, height, FALSE);
    return host->window;
}

void destroy_fixture_host(FixtureHost* host) {
    if (host->window) DestroyWindow(host->window);
    host->window = nullptr;
}

HostSetRecord make_set(int number, int leg_count, HostLegRecord* legs) {
    HostSetRecord set;
    memset(&set, 0, sizeof(set));
    set.number = number;
    set.leg_count = leg_count;
    set.legs = legs;
    return set;
}

HostLegRecord make_leg(int winner, int winner_figure) {
    HostLegRecord leg;
    memset(&leg, 0, sizeof(leg));
    leg.winner = winner;
    leg.winner_figure = winner_figure;
    return leg;
}
