// The sample host's command line: which module to load and the scripted run.
#pragma once
#include <string>

struct HostOptions {
    std::string module_path;  // empty: tq7_sheet.tq7 beside the executable
    std::string script_dir;   // non-empty: run headless, write results here
    int output_row = -1;      // the list row to output in a scripted run; -1: none
    bool valid = true;
    std::string error;  // why the command line was refused
};

// Reads --module PATH, --script OUTDIR and --output-row N (argv[0] skipped).
HostOptions parse_host_options(int argc, const char* const* argv);

// The usage line shown when the command line is refused.
const char* host_usage_text();
