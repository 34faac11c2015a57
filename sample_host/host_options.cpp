// Parses the sample host's command line; pure, so it can be checked anywhere.
#include "sample_host/host_options.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool parse_row(const char* text, int& row) {
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 100000) return false;
    row = static_cast<int>(value);
    return true;
}

void refuse(HostOptions& options, const std::string& why) {
    if (!options.valid) return;  // keep the first reason
    options.valid = false;
    options.error = why;
}

}  // namespace

HostOptions parse_host_options(int argc, const char* const* argv) {
    HostOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        const bool has_value = i + 1 < argc;
        if (strcmp(word, "--module") == 0 && has_value) {
            options.module_path = argv[++i];
        } else if (strcmp(word, "--script") == 0 && has_value) {
            options.script_dir = argv[++i];
        } else if (strcmp(word, "--output-row") == 0 && has_value) {
            if (!parse_row(argv[++i], options.output_row)) refuse(options, std::string("bad row: ") + argv[i]);
        } else {
            refuse(options, std::string("unknown or incomplete option: ") + word);
        }
    }
    if (options.output_row >= 0 && options.script_dir.empty()) refuse(options, "--output-row needs --script");
    return options;
}

const char* host_usage_text() {
    return "sample_host [--module PATH] [--script OUTDIR [--output-row N]]";
}
