// The sample host's entry: reads the command line, loads the module, runs the window.
#include <windows.h>

#include <stdlib.h>

#include "sample_host/host_window.h"
#include "sample_host/script_mode.h"
#include "sample_host/text_ledger.h"

namespace {

int run_message_loop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    HostSession& session = host_session();
    session.options = parse_host_options(__argc, __argv);
    const bool scripted = !session.options.script_dir.empty();
    if (!session.options.valid) {
        const std::string text = session.options.error + "\n\nUsage: " + host_usage_text();
        if (scripted) {
            report_refused_options(session.options);
        } else {
            MessageBoxA(nullptr, text.c_str(), "Sample Host", MB_OK | MB_ICONERROR);
        }
        return 2;
    }

    const std::string module_path =
        session.options.module_path.empty() ? module_beside_executable() : session.options.module_path;
    session.plugin_loaded = load_plugin(module_path, session.plugin);

    if (create_host_window(instance) == nullptr) return 3;
    ShowWindow(session.main_window, scripted ? SW_SHOWNORMAL : show_command);
    UpdateWindow(session.main_window);

    if (scripted) {
        // Without a module there is nothing to drive: report that and stop.
        if (!session.plugin_loaded || !start_scripted_run(session)) {
            PostMessageA(session.main_window, WM_APP_SCRIPT_FINISHED, 1, 0);
        }
    }
    const int loop_code = run_message_loop();

    // Every text handed out must have come back by now.
    const LedgerCounts counts = ledger_counts();
    if (!scripted && counts.outstanding() > 0) return 4;
    return scripted ? session.exit_code : loop_code;
}
