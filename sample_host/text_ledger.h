// Keeps account of the CSV texts handed to the plug-in and returned by it.
#pragma once
#include <string>

struct LedgerCounts {
    int handed_out = 0;        // texts given out through HOSTMSG_GET_SHEET_CSV
    int released = 0;          // of those, returned through HOSTMSG_FREE_SHEET_CSV
    int refused_requests = 0;  // requests naming a record the host never gave out
    int unknown_releases = 0;  // releases of a pointer that is no outstanding text
    int outstanding() const { return handed_out - released; }
};

// Copies the text into a fresh heap block that the plug-in holds until it
// returns it; nullptr when the heap has no room.
char* hand_out_text(const std::string& text);

// Frees a text handed out earlier; false (and nothing freed) for any other
// pointer, which is counted as an unknown release.
bool release_text(const void* text);

// Counts a request for a record that the host never gave out.
void note_refused_request();

// A consistent snapshot; safe from any thread.
LedgerCounts ledger_counts();

// The bytes of the most recent text handed out (empty before the first).
std::string last_text_handed_out();
