// The ledger of handed-out texts: heap blocks the plug-in must give back.
#include "sample_host/text_ledger.h"

#include <windows.h>

#include <string.h>

namespace {

constexpr int MAX_OUTSTANDING = 64;

// Guarded: the scripted run's worker thread reads the counts while the
// window thread answers the plug-in.
SRWLOCK g_lock = SRWLOCK_INIT;
LedgerCounts g_counts;
const void* g_outstanding[MAX_OUTSTANDING];
std::string g_last_text;

int free_slot() {
    for (int i = 0; i < MAX_OUTSTANDING; ++i) {
        if (g_outstanding[i] == nullptr) return i;
    }
    return -1;
}

int slot_of(const void* text) {
    for (int i = 0; i < MAX_OUTSTANDING; ++i) {
        if (text != nullptr && g_outstanding[i] == text) return i;
    }
    return -1;
}

}  // namespace

char* hand_out_text(const std::string& text) {
    AcquireSRWLockExclusive(&g_lock);
    char* block = nullptr;
    const int slot = free_slot();
    if (slot >= 0) block = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, text.size() + 1));
    if (block != nullptr) {
        memcpy(block, text.c_str(), text.size() + 1);
        g_outstanding[slot] = block;
        ++g_counts.handed_out;
        g_last_text = text;
    }
    ReleaseSRWLockExclusive(&g_lock);
    return block;
}

bool release_text(const void* text) {
    AcquireSRWLockExclusive(&g_lock);
    const int slot = slot_of(text);
    if (slot >= 0) {
        HeapFree(GetProcessHeap(), 0, const_cast<void*>(text));
        g_outstanding[slot] = nullptr;
        ++g_counts.released;
    } else {
        ++g_counts.unknown_releases;
    }
    ReleaseSRWLockExclusive(&g_lock);
    return slot >= 0;
}

void note_refused_request() {
    AcquireSRWLockExclusive(&g_lock);
    ++g_counts.refused_requests;
    ReleaseSRWLockExclusive(&g_lock);
}

LedgerCounts ledger_counts() {
    AcquireSRWLockShared(&g_lock);
    const LedgerCounts counts = g_counts;
    ReleaseSRWLockShared(&g_lock);
    return counts;
}

std::string last_text_handed_out() {
    AcquireSRWLockShared(&g_lock);
    std::string text = g_last_text;
    ReleaseSRWLockShared(&g_lock);
    return text;
}
