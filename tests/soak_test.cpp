// The module kept loaded in one process through many dialogs, outputs and row
// paints: every row record freed, every font, brush and pen deleted (fonts and
// pens deselected first), every host text back once, the last text in the CSV,
// and no growth of handles or private memory from the first third to the last.
// The counts here are bounded for the suite's time in an emulated Wine; the
// soak program (soak.exe, by default 300 dialogs, 2,000 outputs and 20,000
// paints) runs the same with larger ones.
#include <gtest/gtest.h>
#include <stdio.h>

#include "tests/support/soak_run.h"

namespace {

void run_and_check(const SoakCounts& counts) {
    SoakReport report;
    run_soak(counts, &report);
    print_soak_report(report, stdout);
    for (const std::string& problem : soak_problems(report)) ADD_FAILURE() << problem;
}

// The whole output, the workbook launched through the shell (to a DDE
// stand-in for the spreadsheet, so that no process is started).
TEST(Soak, LongUseThroughTheShellLeavesNothingBehind) {
    SoakCounts counts;
    counts.dialogs = 60;
    counts.outputs = 200;
    counts.paints = 4000;
    run_and_check(counts);
}

// The module's share alone: the launch answered by a stub in its import, so
// that the memory allowed is the heap's high-water mark only.
TEST(Soak, LongUseOfTheModuleAloneKeepsItsMemory) {
    SoakCounts counts;
    counts.dialogs = 60;
    counts.outputs = 400;
    counts.paints = 8000;
    counts.launch_through_shell = false;
    run_and_check(counts);
}

}  // namespace
