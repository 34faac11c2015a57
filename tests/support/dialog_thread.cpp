// Work run on the dialog's thread through a private message to a subclass.
#include "tests/support/dialog_thread.h"

#include "tests/support/dialog_driver.h"

namespace {

// A message that neither the dialog nor the dialog manager handles.
const UINT RUN_WORK = WM_APP + 0x371;

WNDPROC original_proc = nullptr;

LRESULT CALLBACK run_work_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == RUN_WORK) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 1;
    }
    return CallWindowProcA(original_proc, window, message, wParam, lParam);
}

}  // namespace

bool run_on_dialog_thread(HWND dialog, const std::function<void()>& work, DWORD timeout_ms) {
    original_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(run_work_proc)));
    if (original_proc == nullptr) return false;
    LRESULT ran = 0;
    bool answered = send_bounded(dialog, RUN_WORK, 0, reinterpret_cast<LPARAM>(&work), timeout_ms, &ran);
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc));
    original_proc = nullptr;
    return answered && ran == 1;
}
