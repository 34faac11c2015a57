// The module loader: LoadLibrary, get_plugin_info, initialize, resolve command.
#include "sample_host/plugin_loader.h"

#include <string.h>

namespace {

constexpr uint8_t HOST_BYTE_MARK = 0xA5;  // shows whether the module wrote our bytes
const char MODULE_FILE_NAME[] = "tq7_sheet.tq7";
const char INITIALIZE_EXPORT[] = "tq7_sheet_initialize";

std::string bounded_text(const char* text, size_t capacity) {
    size_t length = 0;
    while (length < capacity && text[length] != '\0') ++length;
    return std::string(text, length);
}

bool all_marked(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] != HOST_BYTE_MARK) return false;
    }
    return true;
}

bool fail(LoadedPlugin& plugin, const std::string& why) {
    plugin.error = why;
    return false;
}

// GetProcAddress returns a generic pointer; the casts go through void* so the
// exports keep their own stdcall signatures.
template <typename Function>
Function resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

std::string module_beside_executable() {
    char exe_path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe_path, MAX_PATH);
    return folder_of(exe_path) + MODULE_FILE_NAME;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool load_plugin(const std::string& path, LoadedPlugin& plugin) {
    plugin = LoadedPlugin();
    plugin.path = path;
    plugin.module = LoadLibraryA(path.c_str());
    if (plugin.module == nullptr) return fail(plugin, "cannot load " + path);
    char loaded_path[MAX_PATH] = {};
    if (GetModuleFileNameA(plugin.module, loaded_path, MAX_PATH) > 0) plugin.path = loaded_path;

    const auto get_info = resolve<GetPluginInfoFunction>(plugin.module, "get_plugin_info");
    const auto initialize = resolve<PluginInitializeFunction>(plugin.module, INITIALIZE_EXPORT);
    if (get_info == nullptr) return fail(plugin, "no export get_plugin_info");
    if (initialize == nullptr) return fail(plugin, std::string("no export ") + INITIALIZE_EXPORT);

    PluginInfoRecord info;
    memset(&info, 0, sizeof(info));
    memset(info.host_bytes_0, HOST_BYTE_MARK, sizeof(info.host_bytes_0));
    memset(info.guard, HOST_BYTE_MARK, sizeof(info.guard));
    plugin.info_result = get_info(0, 0, &info);
    plugin.host_bytes_kept = all_marked(info.host_bytes_0, sizeof(info.host_bytes_0)) &&
                             all_marked(info.guard, sizeof(info.guard));
    plugin.caption = bounded_text(info.menu_caption, sizeof(info.menu_caption));
    plugin.entry_name = bounded_text(info.entry_name, sizeof(info.entry_name));
    plugin.third_text = bounded_text(info.third_text, sizeof(info.third_text));
    if (plugin.info_result != 1) return fail(plugin, "get_plugin_info(0, 0) did not return 1");

    PluginInfoRecord unused;
    memset(&unused, 0, sizeof(unused));
    plugin.next_info_result = get_info(0, 1, &unused);

    // The command is the export that the info record names.
    plugin.command = resolve<PluginCommandFunction>(plugin.module, plugin.entry_name.c_str());
    if (plugin.command == nullptr) return fail(plugin, "no export named by the info: " + plugin.entry_name);

    plugin.initialize_result = initialize(0, 0);
    return true;
}
