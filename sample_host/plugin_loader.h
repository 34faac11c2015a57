// Loads the plug-in module and resolves its three stdcall exports.
#pragma once
#include <windows.h>

#include <stdint.h>
#include <string>

// What get_plugin_info fills for index 0; the first four bytes are the host's.
struct PluginInfoRecord {
    uint8_t host_bytes_0[4];
    char menu_caption[256];
    char entry_name[256];
    char third_text[256];
    uint8_t guard[256];  // never written by a well-behaved module
};

using GetPluginInfoFunction = int(__stdcall*)(int reserved, int index, void* info);
using PluginCommandFunction = int(__stdcall*)(HWND host_window, int a, int b, int c);
using PluginInitializeFunction = int(__stdcall*)(int a, int b);

struct LoadedPlugin {
    HMODULE module = nullptr;
    std::string path;  // the file actually loaded
    std::string caption;
    std::string entry_name;
    std::string third_text;
    int info_result = 0;        // get_plugin_info(0, 0, ...)
    int next_info_result = 0;   // get_plugin_info(0, 1, ...): 0 expected
    int initialize_result = 0;  // tq7_sheet_initialize(0, 0): 4 expected
    bool host_bytes_kept = false;  // the host's bytes and the guard untouched
    PluginCommandFunction command = nullptr;
    std::string error;  // why loading failed; empty when it worked
};

// tq7_sheet.tq7 in the folder of the running executable.
std::string module_beside_executable();

// The folder part of a path, with its trailing backslash.
std::string folder_of(const std::string& path);

// Loads the module, reads its info, initializes it and resolves the command
// export; false with plugin.error set when any step fails.
bool load_plugin(const std::string& path, LoadedPlugin& plugin);
