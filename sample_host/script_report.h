// What a scripted run found, and the report.txt text made from it.
#pragma once
#include <string>
#include <vector>

#include "sample_host/text_ledger.h"

struct ScriptReport {
    std::string module_path;
    bool module_loaded = false;
    std::string load_error;
    std::string caption;
    std::string entry_name;
    int initialize_result = 0;
    bool info_record_kept = false;  // the host's bytes of the info record untouched
    bool third_text_empty = false;
    int next_info_result = 0;  // get_plugin_info for index 1: 0 expected
    int command_result = -1;        // -1: the command had not returned
    bool dialog_found = false;
    std::string dialog_caption;
    bool screenshot_saved = false;
    std::vector<std::string> rows;
    int output_row = -1;
    bool csv_written = false;
    bool csv_copied = false;
    bool csv_matches_text = false;  // the file holds the bytes the host handed out
    std::vector<std::string> error_boxes;  // texts of "Error" boxes dismissed
    bool dialog_closed = false;
    LedgerCounts counts;
    std::vector<std::string> failures;
};

// The report as "key: value" lines, rows numbered from 0, ending in
// "result: PASS" or "result: FAIL" with one "failure:" line per failure.
std::string compose_script_report(const ScriptReport& report);
