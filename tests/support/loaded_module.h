// The module loaded from a folder of the test's own, called as the host calls it.
#pragma once
#include <windows.h>

#include <string>

typedef int(WINAPI* GetPluginInfoFunction)(int reserved, int index, void* info);
typedef int(WINAPI* SheetFunction)(HWND host_window, int a, int b, int c);
typedef int(WINAPI* InitializeFunction)(int a, int b);

struct LoadedModule {
    HMODULE handle = nullptr;
    std::string folder;  // where the copy lies
    GetPluginInfoFunction get_plugin_info = nullptr;
    SheetFunction tq7_sheet = nullptr;
    InitializeFunction tq7_sheet_initialize = nullptr;
};

// The built module beside the test program.
std::string built_module_path();

// An ANSI path in the system's code page as the wide calls take it.
std::wstring wide_path(const std::string& ansi);

// Copies the built module into folder, under file_name, and loads it from
// there with LoadLibraryA, as the host loads it from its plug-in folder.
bool load_module_copy(const std::string& folder, LoadedModule* module,
                      const std::string& file_name = "tq7_sheet.tq7");

void unload_module(LoadedModule* module);
