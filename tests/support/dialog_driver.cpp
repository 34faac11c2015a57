// Drives the module's modal dialog from a second thread.
#include "tests/support/dialog_driver.h"

#include <process.h>

namespace {

struct FindRequest {
    HWND owner;
    const char* caption;
    HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM parameter) {
    FindRequest* request = reinterpret_cast<FindRequest*>(parameter);
    char class_name[32] = {};
    GetClassNameA(window, class_name, sizeof(class_name));
    if (lstrcmpA(class_name, "#32770") != 0) return TRUE;
    if (GetWindow(window, GW_OWNER) != request->owner) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    if (request->caption) {
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof(caption));
        if (lstrcmpA(caption, request->caption) != 0) return TRUE;
    }
    request->found = window;
    return FALSE;
}

struct ScriptThread {
    DWORD ui_thread;
    HWND host_window;
    const std::function<void(HWND)>* script;
    DWORD timeout_ms;
    HANDLE command_returned;
    CommandRun* run;
};

unsigned __stdcall script_thread_main(void* parameter) {
    ScriptThread* context = static_cast<ScriptThread*>(parameter);
    HWND dialog = nullptr;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < context->timeout_ms) {
        FindRequest request = {context->host_window, nullptr, nullptr};
        EnumThreadWindows(context->ui_thread, match_dialog, reinterpret_cast<LPARAM>(&request));
        if (request.found) {
            dialog = request.found;
            break;
        }
        if (WaitForSingleObject(context->command_returned, 10) == WAIT_OBJECT_0) return 0;
    }
    if (dialog == nullptr) return 0;
    context->run->dialog_seen = true;
    (*context->script)(dialog);
    context->run->ended_in_time = wait_until_destroyed(dialog, context->timeout_ms);
    if (!context->run->ended_in_time) {
        // Never leave the test's thread in a modal loop.
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    return 0;
}

}  // namespace

CommandRun run_command(const LoadedModule& module, HWND host_window,
                       const std::function<void(HWND dialog)>& script, DWORD timeout_ms) {
    CommandRun run;
    ScriptThread context = {GetCurrentThreadId(), host_window, &script, timeout_ms,
                            CreateEventA(nullptr, TRUE, FALSE, nullptr), &run};
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, script_thread_main, &context, 0, nullptr));
    run.result = module.tq7_sheet(host_window, 0, 0, 0);
    SetEvent(context.command_returned);
    // Messages sent by the script while the command returns still need a pump.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 2 * timeout_ms + 1000, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    CloseHandle(thread);
    CloseHandle(context.command_returned);
    return run;
}

HWND wait_for_owned_dialog(DWORD thread_id, HWND owner, const char* caption, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    do {
        FindRequest request = {owner, caption, nullptr};
        EnumThreadWindows(thread_id, match_dialog, reinterpret_cast<LPARAM>(&request));
        if (request.found) return request.found;
        Sleep(10);
    } while (GetTickCount() - start < timeout_ms);
    return nullptr;
}

bool wait_until_destroyed(HWND window, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(10);
    }
    return true;
}

bool send_bounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeout_ms,
                  LRESULT* answer) {
    DWORD_PTR result = 0;
    bool answered =
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeout_ms, &result) != 0;
    if (answer) *answer = static_cast<LRESULT>(result);
    return answered;
}

std::vector<std::string> list_texts(HWND list) {
    std::vector<std::string> texts;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

std::vector<LRESULT> list_item_data(HWND list) {
    std::vector<LRESULT> data;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) data.push_back(SendMessageA(list, LB_GETITEMDATA, i, 0));
    return data;
}

std::string message_box_text(HWND box) {
    char text[1024] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    return text;
}
