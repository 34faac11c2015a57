// The DDE stand-in for the spreadsheet and its .xls association.
#include "tests/support/dde_workbook.h"

#include <process.h>
#include <string.h>

#include <vector>

namespace {

const char XLS_KEY[] = "Software\\Classes\\.xls";
const char CLASS_NAME[] = "tq7test.ddeworkbook";
const std::string CLASS_KEY = std::string("Software\\Classes\\") + CLASS_NAME;

struct DdeServer {
    HANDLE thread = nullptr;
    DWORD thread_id = 0;
    HANDLE ready = nullptr;
    bool started = false;
    DWORD instance = 0;
    HSZ service = nullptr;
    HSZ topic = nullptr;
    wchar_t service_name[64] = {};
    CRITICAL_SECTION lock;
    long opens = 0;
    std::vector<BYTE> last_command;
    // The .xls association before ours.
    bool xls_existed = false;
    bool xls_had_default = false;
    std::string xls_default;
};

DdeServer& server() {
    static DdeServer* made = [] {
        DdeServer* created = new DdeServer;
        InitializeCriticalSection(&created->lock);
        return created;
    }();
    return *made;
}

HDDEDATA CALLBACK on_dde(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    DdeServer& s = server();
    if (type == XTYP_CONNECT) {
        return reinterpret_cast<HDDEDATA>(
            static_cast<ULONG_PTR>(DdeCmpStringHandles(topic, s.topic) == 0));
    }
    if (type != XTYP_EXECUTE) return nullptr;
    DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::vector<BYTE> command(size);
    if (size > 0) DdeGetData(data, command.data(), size, 0);
    EnterCriticalSection(&s.lock);
    s.last_command.swap(command);
    ++s.opens;
    LeaveCriticalSection(&s.lock);
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
}

unsigned __stdcall server_main(void*) {
    DdeServer& s = server();
    UINT flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_REQUESTS |
                 CBF_SKIP_ALLNOTIFICATIONS;
    if (DdeInitializeW(&s.instance, on_dde, flags, 0) == DMLERR_NO_ERROR) {
        s.service = DdeCreateStringHandleW(s.instance, s.service_name, CP_WINUNICODE);
        s.topic = DdeCreateStringHandleW(s.instance, L"System", CP_WINUNICODE);
        s.started = DdeNameService(s.instance, s.service, nullptr, DNS_REGISTER) != nullptr;
    }
    // The message queue exists before anyone is told to post to it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(s.ready);
    while (s.started && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (s.instance) {
        if (s.started) DdeNameService(s.instance, s.service, nullptr, DNS_UNREGISTER);
        if (s.service) DdeFreeStringHandle(s.instance, s.service);
        if (s.topic) DdeFreeStringHandle(s.instance, s.topic);
        DdeUninitialize(s.instance);
    }
    s.instance = 0;
    s.service = s.topic = nullptr;
    return 0;
}

bool set_default(const std::string& key, const std::string& value) {
    return RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, value.c_str(),
                           static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

void save_xls(DdeServer* s) {
    HKEY key;
    s->xls_existed = RegOpenKeyExA(HKEY_LOCAL_MACHINE, XLS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (s->xls_existed) RegCloseKey(key);
    char value[1024] = {};
    DWORD size = sizeof(value) - 1;
    s->xls_had_default = RegGetValueA(HKEY_LOCAL_MACHINE, XLS_KEY, nullptr, RRF_RT_REG_SZ, nullptr,
                                      value, &size) == ERROR_SUCCESS;
    s->xls_default = s->xls_had_default ? value : "";
}

void restore_xls(const DdeServer& s) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, CLASS_KEY.c_str());
    if (s.xls_had_default) {
        set_default(XLS_KEY, s.xls_default);
    } else if (s.xls_existed) {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, XLS_KEY, nullptr);
    } else {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, XLS_KEY);
    }
}

// The open verb: a command for the shell's fallback, and the DDE conversation
// (service, topic and the command sent) that a running spreadsheet answers.
bool associate_xls(const DdeServer& s, const std::string& fallback_command) {
    char service[64];
    WideCharToMultiByte(CP_ACP, 0, s.service_name, -1, service, sizeof(service), nullptr, nullptr);
    const std::string verb = CLASS_KEY + "\\shell\\open";
    return set_default(verb + "\\command", fallback_command) &&
           set_default(verb + "\\ddeexec", "[open(\"%1\")]") &&
           set_default(verb + "\\ddeexec\\application", service) &&
           set_default(verb + "\\ddeexec\\topic", "System") &&
           set_default(XLS_KEY, CLASS_NAME);
}

bool contains(const std::vector<BYTE>& bytes, const void* part, size_t size) {
    if (size == 0 || bytes.size() < size) return false;
    for (size_t i = 0; i + size <= bytes.size(); ++i)
        if (memcmp(bytes.data() + i, part, size) == 0) return true;
    return false;
}

}  // namespace

bool start_dde_workbook(const std::string& fallback_command) {
    DdeServer& s = server();
    if (s.thread) return false;
    wsprintfW(s.service_name, L"TQ7TESTWORKBOOK%lu", GetCurrentProcessId());
    s.opens = 0;
    s.started = false;
    s.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    s.thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, server_main, nullptr, 0,
                                                       reinterpret_cast<unsigned*>(&s.thread_id)));
    if (s.thread) WaitForSingleObject(s.ready, 30000);
    save_xls(&s);
    if (s.started && associate_xls(s, fallback_command)) return true;
    stop_dde_workbook();
    return false;
}

void stop_dde_workbook() {
    DdeServer& s = server();
    if (s.thread == nullptr) return;
    restore_xls(s);
    PostThreadMessageW(s.thread_id, WM_QUIT, 0, 0);
    WaitForSingleObject(s.thread, 30000);
    CloseHandle(s.thread);
    CloseHandle(s.ready);
    s.thread = nullptr;
    s.ready = nullptr;
}

long dde_workbook_opens() {
    EnterCriticalSection(&server().lock);
    long opens = server().opens;
    LeaveCriticalSection(&server().lock);
    return opens;
}

int dde_last_open_names(const std::string& path) {
    int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(length > 0 ? length : 1);
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    EnterCriticalSection(&server().lock);
    bool named = contains(server().last_command, path.data(), path.size()) ||
                 contains(server().last_command, wide.data(), (wide.size() - 1) * sizeof(wchar_t));
    LeaveCriticalSection(&server().lock);
    return named ? 1 : 0;
}
