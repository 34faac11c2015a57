// Counts what a loaded module takes and gives back over a long run: its row
// records from the local heap and its fonts, brushes and pens, through its
// import table. The counters are plain numbers and a small table of the
// objects alive at once, so that keeping them does not grow the process.
#pragma once
#include <windows.h>

struct ModuleLedger {
    // LocalAlloc and LocalFree.
    long allocations = 0;
    long frees = 0;
    long foreign_frees = 0;    // memory that the module did not allocate
    long live_records = 0;     // allocated and not yet freed
    long odd_allocations = 0;  // not LMEM_FIXED | LMEM_ZEROINIT, or not 12 bytes
    // Fonts, brushes and pens: made, deleted, and deleted wrongly.
    long fonts_created = 0, brushes_created = 0, pens_created = 0;
    long fonts_deleted = 0, brushes_deleted = 0, pens_deleted = 0;
    long deleted_while_selected = 0;  // a font or pen still selected into its DC
    long brushes_selected = 0;        // a brush the module made, selected into a DC
    long foreign_deletes = 0;         // an object that the module did not make, or a second delete
    long failed_deletes = 0;          // DeleteObject answered FALSE
    long live_objects = 0;
    long table_overflows = 0;  // more objects alive at once than the table holds
};

// Redirects the module's imports; false when one was missing (all are put back then).
bool install_module_ledger(HMODULE module);

// Puts the original imports back.
void remove_module_ledger();

// A copy of the counters so far.
ModuleLedger read_module_ledger();
