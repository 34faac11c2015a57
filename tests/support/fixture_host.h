// A scripted host window for tests: it answers the three private messages
// from fixture records and keeps a ledger of what it was asked.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "host/host_records.h"

struct FixtureHost {
    HWND window = nullptr;
    // HOSTMSG_GET_SET_LIST: this pointer; with handles_messages false the
    // window leaves every private message to DefWindowProc (which answers 0).
    HostSetList* set_list = nullptr;
    bool handles_messages = true;
    // HOSTMSG_GET_SHEET_CSV: a fresh copy of csv_text, or null when answer_null.
    std::string csv_text;
    bool answer_null = false;
    // What the plug-in asked for and gave back, in order.
    int set_list_requests = 0;
    std::vector<HostSetRecord*> csv_requests;
    std::vector<const char*> texts_given;
    std::vector<const char*> texts_released;
    // Runs when a text comes back, before it is freed.
    std::function<void(const char* text)> on_release;
};

// Creates the host's top-level window at the given screen rectangle.
HWND create_fixture_host(FixtureHost* host, int x, int y, int width, int height);

void destroy_fixture_host(FixtureHost* host);

// A set record zero-filled as the host would hold it, with the fields that the
// plug-in reads.
HostSetRecord make_set(int number, int leg_count, HostLegRecord* legs);
HostLegRecord make_leg(int winner, int winner_figure);
