// Runs the module's command on the test's thread, as the host does, while a
// script drives the modal dialog from a second thread with bounded waits.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/loaded_module.h"

struct CommandRun {
    int result = -1;             // what tq7_sheet returned
    bool dialog_seen = false;    // the script ran on a dialog
    bool ended_in_time = false;  // the dialog was gone when the script was done
};

// Calls tq7_sheet(host_window, 0, 0, 0). Once the dialog that it owns appears,
// script runs on a second thread; it is expected to end the dialog. A dialog
// still open timeout_ms after the script returned is closed by force.
CommandRun run_command(const LoadedModule& module, HWND host_window,
                       const std::function<void(HWND dialog)>& script,
                       DWORD timeout_ms = 10000);

// The first visible dialog window of thread_id owned by owner (and with the
// given caption, when not null), waiting at most timeout_ms; null when none.
HWND wait_for_owned_dialog(DWORD thread_id, HWND owner, const char* caption, DWORD timeout_ms);

// Waits until window is destroyed; false when it is still there after timeout_ms.
bool wait_until_destroyed(HWND window, DWORD timeout_ms);

// Sends a message and waits at most timeout_ms for its answer, so that a
// script never hangs on a thread held by a modal box; false when none came.
bool send_bounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout_ms,
                  LRESULT* answer = nullptr);

// The list's row texts and item data, read through list messages.
std::vector<std::string> list_texts(HWND list);
std::vector<LRESULT> list_item_data(HWND list);

// The text of a message box: its static control's text.
std::string message_box_text(HWND box);
