// Composes the scripted run's report text; pure, so it can be checked anywhere.
#include "sample_host/script_report.h"

#include <stdio.h>

namespace {

void add_line(std::string& out, const char* key, const std::string& value) {
    out += key;
    out += ": ";
    out += value;
    out += "\r\n";
}

std::string yes_no(bool value) { return value ? "yes" : "no"; }

std::string number_text(long value) {
    char buffer[24];
    snprintf(buffer, sizeof(buffer), "%ld", value);
    return buffer;
}

}  // namespace

std::string compose_script_report(const ScriptReport& report) {
    std::string out;
    add_line(out, "module", report.module_path);
    add_line(out, "module loaded", yes_no(report.module_loaded));
    if (!report.load_error.empty()) add_line(out, "load error", report.load_error);
    add_line(out, "caption", report.caption);
    add_line(out, "entry name", report.entry_name);
    add_line(out, "initialize returned", number_text(report.initialize_result));
    add_line(out, "info record host bytes kept", yes_no(report.info_record_kept));
    add_line(out, "info third text empty", yes_no(report.third_text_empty));
    add_line(out, "info index 1 returned", number_text(report.next_info_result));
    add_line(out, "dialog found", yes_no(report.dialog_found));
    if (report.dialog_found) add_line(out, "dialog caption", report.dialog_caption);
    add_line(out, "screenshot saved", yes_no(report.screenshot_saved));
    add_line(out, "rows", number_text(static_cast<long>(report.rows.size())));
    for (size_t i = 0; i < report.rows.size(); ++i) {
        const std::string key = "row " + number_text(static_cast<long>(i));
        add_line(out, key.c_str(), report.rows[i]);
    }
    add_line(out, "output row", report.output_row >= 0 ? number_text(report.output_row) : "none");
    add_line(out, "csv written", yes_no(report.csv_written));
    add_line(out, "csv copied", yes_no(report.csv_copied));
    add_line(out, "csv matches text handed out", yes_no(report.csv_matches_text));
    for (const std::string& text : report.error_boxes) add_line(out, "error box", text);
    add_line(out, "dialog closed", yes_no(report.dialog_closed));
    add_line(out, "command returned", report.command_result >= 0 ? number_text(report.command_result) : "no");
    add_line(out, "texts handed out", number_text(report.counts.handed_out));
    add_line(out, "texts released", number_text(report.counts.released));
    add_line(out, "texts not released", number_text(report.counts.outstanding()));
    add_line(out, "refused requests", number_text(report.counts.refused_requests));
    add_line(out, "unknown releases", number_text(report.counts.unknown_releases));
    for (const std::string& failure : report.failures) add_line(out, "failure", failure);
    add_line(out, "result", report.failures.empty() ? "PASS" : "FAIL");
    return out;
}
