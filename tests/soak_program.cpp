// The soak with counts of one's own:
//   soak.exe [--no-launch] [dialogs [outputs [paints]]]
// --no-launch answers the module's ShellExecuteA with a stub instead of the
// shell. Prints the figures and every problem found; exits 1 when there was one.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/support/soak_run.h"

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    SoakCounts counts;
    int first = 1;
    if (argc > 1 && strcmp(argv[1], "--no-launch") == 0) {
        counts.launch_through_shell = false;
        first = 2;
    }
    if (argc > first) counts.dialogs = atoi(argv[first]);
    if (argc > first + 1) counts.outputs = atoi(argv[first + 1]);
    if (argc > first + 2) counts.paints = atoi(argv[first + 2]);
    if (counts.dialogs < 3 || counts.outputs < 0 || counts.paints < 0) {
        printf("usage: soak.exe [--no-launch] [dialogs (3 or more) [outputs [paints]]]\n");
        return 2;
    }
    SoakReport report;
    run_soak(counts, &report);
    print_soak_report(report, stdout);
    std::vector<std::string> problems = soak_problems(report);
    for (const std::string& problem : problems) printf("PROBLEM: %s\n", problem.c_str());
    printf("%s\n", problems.empty() ? "soak passed" : "soak FAILED");
    return problems.empty() ? 0 : 1;
}
