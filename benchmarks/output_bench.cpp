// Times the module's output of a set (the host's text to tq7_sheet.csv, the
// text handed back) for a 64 MiB text and a 1 KiB sheet, against a raw
// CreateFileA and one WriteFile of the same bytes in the same run, and the
// shell's launch of the workbook apart.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "benchmarks/bench_clock.h"
#include "host/host_messages.h"
#include "host/host_records.h"
#include "resources/resource_ids.h"
#include "tests/support/dde_workbook.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/dialog_thread.h"
#include "tests/support/fixture_host.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/temp_folder.h"

namespace {

const DWORD WAIT_MS = 600000;

// --- A host that hands out one prepared text without copying it, so that
// only the module's work is timed.

struct BenchHost {
    HWND window = nullptr;
    HostSetList* set_list = nullptr;
    const char* text = nullptr;
    long given = 0;
    long released = 0;
};

BenchHost bench_host;

LRESULT CALLBACK bench_host_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case HOSTMSG_GET_SET_LIST:
        return reinterpret_cast<LRESULT>(bench_host.set_list);
    case HOSTMSG_GET_SHEET_CSV:
        ++bench_host.given;
        return reinterpret_cast<LRESULT>(bench_host.text);
    case HOSTMSG_FREE_SHEET_CSV:
        bench_host.released += reinterpret_cast<const char*>(lParam) == bench_host.text;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND create_bench_host() {
    WNDCLASSA description = {};
    description.lpfnWndProc = bench_host_proc;
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = "tq7_bench_host";
    RegisterClassA(&description);
    return CreateWindowExA(0, "tq7_bench_host", "Bench host", WS_OVERLAPPEDWINDOW, 100, 100, 700, 600,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// --- The shell's launch, answered at once while the file work is timed.

long stub_launches = 0;

HINSTANCE WINAPI launch_stub(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) {
    ++stub_launches;
    return reinterpret_cast<HINSTANCE>(33);
}

// --- The two writers, each timed on its own.

// measure_length: the length is taken with lstrlenA, as the module must take
// it, rather than known beforehand.
double raw_write_ms(const std::string& path, const char* text, DWORD length, bool measure_length) {
    LONGLONG start = ticks();
    if (measure_length) length = static_cast<DWORD>(lstrlenA(text));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text, length, &written, nullptr);
    CloseHandle(file);
    return to_ms(ticks() - start);
}

// The module's output, run on the dialog's thread where "Output" runs it.
double module_output_ms(HWND dialog) {
    LONGLONG start = ticks();
    SendMessageA(dialog, WM_COMMAND, IDC_OUTPUT, 0);
    return to_ms(ticks() - start);
}

struct Case {
    const char* name;
    size_t bytes;
    int repeats;
};

std::string file_text(size_t bytes) {
    std::string text;
    text.reserve(bytes);
    for (long line = 0; text.size() < bytes; ++line) {
        char row[64];
        wsprintfA(row, "%ld,leg,%ld,%ld,\x83\x5C,\r\n", line, line % 13, (line * 37) % 1000);
        text += row;
    }
    text.resize(bytes);
    return text;
}

bool file_holds(const std::string& path, const std::string& text) {
    std::string bytes;
    return read_file_bytes(path, &bytes) && bytes == text;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    bool with_launch = !(argc > 1 && lstrcmpA(argv[1], "--no-launch") == 0);
    typedef const char*(CDECL * WineVersion)();
    WineVersion wine_version = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    printf("output_bench: the module's output against CreateFileA + one WriteFile, code page %u\n", GetACP());
    printf("  32-bit programs run %s; %s%s\n", i386_run_mode(),
           wine_version ? "Wine " : "Windows", wine_version ? wine_version() : "");

    std::string folder = make_temp_folder("tq7_output_bench");
    LoadedModule module;
    if (folder.empty() || !load_module_copy(folder, &module)) {
        printf("could not load %s\n", built_module_path().c_str());
        return 1;
    }
    void* shell_execute = patch_import(module.handle, "shell32.dll", "ShellExecuteA",
                                       reinterpret_cast<void*>(launch_stub));
    if (shell_execute == nullptr) {
        printf("the module does not import ShellExecuteA\n");
        return 1;
    }
    const std::string csv_path = folder + "\\tq7_sheet.csv";
    const std::string workbook_path = folder + "\\tq7_sheet.xls";
    write_file_bytes(workbook_path, "stand-in workbook");

    HostLegRecord legs[1] = {make_leg(0, 12)};
    HostSetRecord set = make_set(1, 1, legs);
    HostSetList set_list = {&set, 1, &set};
    set.closed = 1;
    bench_host.set_list = &set_list;
    bench_host.window = create_bench_host();
    LoadedModule* loaded = &module;

    const Case cases[] = {{"64 MiB text", 64u << 20, 7}, {"1 KiB sheet", 1024, 201}};
    printf("\n  %-14s %8s %12s %14s %8s %22s %8s\n", "text", "repeats", "module ms", "raw write ms", "ratio",
           "raw + lstrlenA ms", "ratio");
    bool all_written = true;
    for (const Case& c : cases) {
        std::string text = file_text(c.bytes);
        bench_host.text = text.c_str();
        std::vector<double> module_ms, raw_ms, measured_ms;
        bool written = false;
        run_command(*loaded, bench_host.window, [&](HWND dialog) {
            run_on_dialog_thread(dialog, [&] {
                // Module and raw writes alternate, so that both meet the same cache.
                for (int i = 0; i < c.repeats; ++i) {
                    module_ms.push_back(module_output_ms(dialog));
                    if (i == 0) written = file_holds(csv_path, text);
                    raw_ms.push_back(raw_write_ms(csv_path, text.c_str(), static_cast<DWORD>(text.size()), false));
                    measured_ms.push_back(raw_write_ms(csv_path, text.c_str(), 0, true));
                }
            }, WAIT_MS);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }, WAIT_MS);
        all_written = all_written && written;
        double module_median = median(module_ms);
        double raw_median = median(raw_ms);
        double measured_median = median(measured_ms);
        printf("  %-14s %8d %12.3f %14.3f %8.2f %22.3f %8.2f%s\n", c.name, c.repeats, module_median, raw_median,
               module_median / raw_median, measured_median, module_median / measured_median,
               written ? "" : "  (the CSV did not hold the text!)");
    }
    printf("  texts given %ld, handed back %ld; launches answered by the stub %ld\n", bench_host.given,
           bench_host.released, stub_launches);

    // What a user waits for on top: the shell's launch of the workbook, here
    // taken by a DDE stand-in for the spreadsheet (no process is started).
    if (with_launch) {
        patch_import(module.handle, "shell32.dll", "ShellExecuteA", shell_execute);
        std::string fallback = "\"" + program_folder() + "\\launch_recorder.exe\" \"%1\"";
        if (!start_dde_workbook(fallback)) {
            printf("  could not start the DDE stand-in; the launch is not timed\n");
        } else {
            std::string text = file_text(1024);
            bench_host.text = text.c_str();
            std::vector<double> output_ms, shell_ms;
            run_command(*loaded, bench_host.window, [&](HWND dialog) {
                run_on_dialog_thread(dialog, [&] {
                    for (int i = 0; i < 21; ++i) {
                        output_ms.push_back(module_output_ms(dialog));
                        LONGLONG start = ticks();
                        ShellExecuteA(dialog, nullptr, workbook_path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                        shell_ms.push_back(to_ms(ticks() - start));
                    }
                }, WAIT_MS);
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }, WAIT_MS);
            printf("\n  1 KiB sheet with the workbook's launch through the shell (DDE stand-in), 21 repeats:\n");
            printf("    module output %.3f ms, ShellExecuteA alone %.3f ms, opens taken %ld\n",
                   median(output_ms), median(shell_ms), dde_workbook_opens());
            stop_dde_workbook();
        }
    }
    DestroyWindow(bench_host.window);
    unload_module(&module);
    remove_folder_tree(folder);
    return all_written ? 0 : 1;
}
