// The record in which get_plugin_info describes the module's command to the host.
#pragma once
#include <stddef.h>

struct PluginInfo {
    unsigned char host_bytes_0[4];  // the host's own: never read or written
    char menu_caption[256];
    char entry_name[256];
    char third_text[1];  // at least one byte; always the empty text
};

static_assert(offsetof(PluginInfo, menu_caption) == 4, "menu caption");
static_assert(offsetof(PluginInfo, entry_name) == 260, "entry name");
static_assert(offsetof(PluginInfo, third_text) == 516, "third text");
