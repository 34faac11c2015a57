// A long run of the module in one process, as a host that keeps it loaded for
// hours uses it: many dialogs over sets of varied shapes, many outputs and many
// row paints, with what the module takes and gives back counted throughout and
// the process's handles and private memory sampled at the end of each third.
#pragma once
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "tests/support/module_ledger.h"

struct SoakCounts {
    int dialogs = 300;
    int outputs = 2000;
    int paints = 20000;
    // false: the module's ShellExecuteA is answered by a stub, to tell the
    // shell's share of the figures from the module's.
    bool launch_through_shell = true;
};

struct SoakSample {
    DWORD handles = 0;             // GetProcessHandleCount (0 where the system does not count)
    DWORD probed_handles = 0;      // valid handle values, counted one by one
    SIZE_T private_usage = 0;      // PROCESS_MEMORY_COUNTERS_EX.PrivateUsage (0 under Wine)
    SIZE_T committed_private = 0;  // private committed regions, summed with VirtualQuery
    SIZE_T unix_resident = 0;      // where PrivateUsage is 0: PagefileUsage, shown only
    double seconds = 0;            // since the run began
};

struct SoakReport {
    SoakCounts asked;
    SoakCounts done;
    std::string setup_failure;  // empty when the run could start
    SoakSample start;           // after the module was loaded and one dialog warmed up
    SoakSample third_end[3];
    ModuleLedger ledger;
    // Rows and outputs.
    long rows_listed = 0;
    long rows_wrong = 0;     // a row's record differs from the set list's rules
    long dialogs_failed = 0; // not seen, or not ended in time
    long outputs_by_kind[4] = {};  // stored set row, stored leg row, current set row, current leg row
    long outputs_unanswered = 0;
    long wrong_sets_asked = 0;  // the host was asked for another set than the row's
    // Texts: each given out once by the host and expected back once, in order.
    long texts_given = 0;
    long texts_released = 0;
    long texts_out_of_order = 0;
    long csv_mismatches = 0;  // the file after an output differs from its text
    bool last_csv_matches = false;
    size_t last_text_size = 0;
    // Launches of the workbook.
    long workbook_opens = 0;   // taken by the DDE stand-in (or the stub)
    long workbook_opens_in_first_third = 0;
    long opens_misnamed = 0;   // an open that did not name the workbook
    long fallback_launches = 0;  // processes that the shell started instead
    long paints_done = 0;
    double paint_seconds = 0;
    double output_seconds = 0;
    long paint_background_wrong = 0;
};

// Runs the soak with the module built beside the program.
void run_soak(const SoakCounts& counts, SoakReport* report);

// How much private memory (PrivateUsage where the system fills it, and the
// private committed regions in any case) may grow from the end of the first
// third to the end of the last, in bytes; the handle count may not grow at all.
// - 4 pages, for the heap's high-water mark, which the largest list held at
//   once sets and which fragmentation may shift by a page or so;
// - 1 KiB for each launch through the shell after the first third, since Wine
//   8's ShellExecuteA keeps about 200 bytes for each DDE launch (the same run
//   with the launch answered by a stub does not grow at all).
// Under Wine, PrivateUsage is 0; the Unix process's resident memory that Wine
// gives as PagefileUsage instead includes the emulator's translated code and
// jumped by 2 MB once in a run whose committed memory stayed flat, so it is
// shown and not checked.
struct SoakAllowance {
    long private_bytes;
};
SoakAllowance soak_allowance(long launches_after_first_third);

// Every way in which the report falls short; empty when the run is sound.
std::vector<std::string> soak_problems(const SoakReport& report);

void print_soak_report(const SoakReport& report, FILE* out);
