// Runs a piece of a test on the thread of the module's dialog, inside its
// modal loop, so that a batch of list messages and row paints costs one
// cross-thread call rather than one for each (a call between threads is slow
// in an emulated Wine).
#pragma once
#include <windows.h>

#include <functional>

// Calls work on dialog's thread and waits for it at most timeout_ms; false
// when the dialog did not run it in that time. work may send the dialog and
// its list any message: on their own thread those calls are direct.
bool run_on_dialog_thread(HWND dialog, const std::function<void()>& work, DWORD timeout_ms);
