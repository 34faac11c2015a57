// The sample host's main window: menu, status text and the plug-in's messages.
#pragma once
#include <windows.h>

#include "sample_host/host_options.h"
#include "sample_host/plugin_loader.h"

constexpr UINT ID_FILE_EXIT = 100;
constexpr UINT ID_PLUGIN_COMMAND = 200;
// Posted by the scripted run's worker when it is done; wParam is its exit code.
constexpr UINT WM_APP_SCRIPT_FINISHED = WM_APP + 0x40;

struct HostSession {
    HostOptions options;
    LoadedPlugin plugin;
    bool plugin_loaded = false;
    HWND main_window = nullptr;
    HWND status_text = nullptr;
    int commands_started = 0;
    int last_command_result = -1;  // -1: the command has not returned yet
    volatile LONG command_running = 0;
    int exit_code = 0;
};

HostSession& host_session();

// Registers the class and creates the main window with its menu; nullptr on
// failure.
HWND create_host_window(HINSTANCE instance);

// Rewrites the status text from the session and the text ledger.
void refresh_status_text();
