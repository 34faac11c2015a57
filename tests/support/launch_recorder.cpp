// A stand-in for the workbook's application: appends its command line and a
// line end to a log, then exits 0, so tests can see what the shell launched.
#include <windows.h>

#include <string>

// The log named by TQ7_RECORDER_LOG, or launch_recorder.log beside the program.
static std::string log_path() {
    char named[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("TQ7_RECORDER_LOG", named, sizeof(named));
    if (length > 0 && length < sizeof(named)) return named;
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, sizeof(program) - 1);
    std::string path = program;
    size_t separator = path.find_last_of("\\/");
    path = separator == std::string::npos ? std::string(".") : path.substr(0, separator);
    return path + "\\launch_recorder.log";
}

// A test that looks for the launch while it is under way names an event in
// TQ7_RECORDER_GATE: the recorder stays until it is set (at most 10 s).
static void wait_at_gate() {
    char name[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("TQ7_RECORDER_GATE", name, sizeof(name));
    if (length == 0 || length >= sizeof(name)) return;
    HANDLE gate = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (gate == nullptr) return;
    WaitForSingleObject(gate, 10000);
    CloseHandle(gate);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wait_at_gate();
    std::string line = GetCommandLineA();
    line += "\r\n";
    std::string path = log_path();
    // Two launches close together may meet at the log: a bounded retry.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE log = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(log);
            return 0;
        }
        Sleep(10);
    }
    return 0;
}
