// The module loaded from a folder of the test's own.
#include "tests/support/loaded_module.h"

#include "tests/support/temp_folder.h"

std::string built_module_path() {
    return program_folder() + "\\tq7_sheet.tq7";
}

std::wstring wide_path(const std::string& ansi) {
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring text(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1) MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &text[0], length);
    return text;
}

bool load_module_copy(const std::string& folder, LoadedModule* module, const std::string& file_name) {
    // The wide calls, since a host's folder may pass the length the ANSI calls take.
    std::wstring target = wide_path(folder + "\\" + file_name);
    if (!CopyFileW(wide_path(built_module_path()).c_str(), target.c_str(), FALSE)) return false;
    module->folder = folder;
    module->handle = LoadLibraryW(target.c_str());
    if (module->handle == nullptr) return false;
    module->get_plugin_info = reinterpret_cast<GetPluginInfoFunction>(
        reinterpret_cast<void*>(GetProcAddress(module->handle, "get_plugin_info")));
    module->tq7_sheet = reinterpret_cast<SheetFunction>(
        reinterpret_cast<void*>(GetProcAddress(module->handle, "tq7_sheet")));
    module->tq7_sheet_initialize = reinterpret_cast<InitializeFunction>(
        reinterpret_cast<void*>(GetProcAddress(module->handle, "tq7_sheet_initialize")));
    return module->get_plugin_info && module->tq7_sheet && module->tq7_sheet_initialize;
}

void unload_module(LoadedModule* module) {
    if (module->handle) FreeLibrary(module->handle);
    module->handle = nullptr;
}
