// The paths beside the module for folders near the paths' limit: the module
// loaded from folders of 244 to 246 bytes and beyond, and a table of file names
// as the platform gives them, cut short or whole, with double-byte characters
// at the cut.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "host/host_records.h"
#include "plugin/module_state.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/fixture_host.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/temp_folder.h"

namespace {

const DWORD WAIT_MS = 10000;
const char MODULE_FILE[] = "tq7_sheet.tq7";
// The longest folder whose paths fit: 245 bytes, a backslash, 13 bytes of
// "tq7_sheet.csv" and the terminator make the 260 bytes of a path.
const size_t LONGEST_FOLDER = 245;
// 0x95 0x5C is one character under code page 932 whose second byte is a backslash.
const char DOUBLE_BYTE[] = "\x95\x5C";

bool running_in_japanese() {
    return GetACP() == 932;
}

// The folders from base down to a folder whose name is exactly length bytes,
// in components short enough for any file system; empty when base is too long.
std::vector<std::string> folder_chain(const std::string& base, size_t length) {
    std::vector<std::string> chain;
    std::string folder = base;
    while (folder.size() + 2 <= length) {
        size_t component = length - folder.size() - 1;
        if (component > 200) component = 200;
        if (length - folder.size() - 1 - component == 1) --component;  // no one-byte remainder
        folder += "\\" + std::string(component, 'f');
        chain.push_back(folder);
    }
    if (folder.size() != length) chain.clear();
    return chain;
}

// Creates and removes the chain with the wide functions, since the folders
// may pass the length that the ANSI functions take.
bool create_chain(const std::vector<std::string>& chain) {
    for (const std::string& folder : chain)
        if (!CreateDirectoryW(wide_path(folder).c_str(), nullptr)) return false;
    return !chain.empty();
}

void remove_chain(const std::vector<std::string>& chain) {
    if (chain.empty()) return;
    for (const char* file : {"tq7_sheet.tq7", "tq7_sheet.csv"})
        DeleteFileW(wide_path(chain.back() + "\\" + file).c_str());
    for (size_t i = chain.size(); i-- > 0;) RemoveDirectoryW(wide_path(chain[i]).c_str());
}

bool read_wide_file(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileW(wide_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char chunk[4096];
    DWORD got = 0;
    bytes->clear();
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes->append(chunk, got);
    CloseHandle(file);
    return true;
}

// The workbook is not opened here: the shell answers as if it had been.
HINSTANCE WINAPI shell_opens_nothing(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) {
    return reinterpret_cast<HINSTANCE>(42);
}

// Outputs the first set through the module's own command and state.
void output_first_set(const LoadedModule& module, FixtureHost* host) {
    HostLegRecord leg = make_leg(0, 7);
    HostSetRecord stored = make_set(1, 1, &leg);
    HostSetRecord current = make_set(2, 0, nullptr);
    HostSetList list = {&stored, 1, &current};
    host->set_list = &list;
    create_fixture_host(host, 100, 100, 600, 400);
    CommandRun run = run_command(module, host->window, [](HWND dialog) {
        send_bounded(dialog, WM_COMMAND, IDC_OUTPUT, 0, WAIT_MS);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(run.dialog_seen && run.ended_in_time);
    destroy_fixture_host(host);
    host->set_list = nullptr;
}

// The module loaded from a real folder of each length: its own file name
// gives the paths, and its output writes the CSV there or nowhere.
TEST(ModulePaths, FoldersUpTo245BytesWriteTheirSheet) {
    struct Case {
        size_t folder_length;
        bool ends_double_byte;  // only under code page 932
        bool fits;
    } cases[] = {
        {244, false, true},  // the name, 258 bytes, comes whole from the first call
        {245, false, true},  // 259 bytes: the first call cuts it, the second is whole
        {245, true, true},
        {246, false, false},
        {1100, false, false},  // whole only on the third call
    };
    std::string base = make_temp_folder("tq7_len");
    ASSERT_FALSE(base.empty());
    const std::string text = "set,1\r\nleg,1\r\n";
    for (const Case& c : cases) {
        if (c.ends_double_byte && !running_in_japanese()) continue;
        std::vector<std::string> chain = folder_chain(base, c.folder_length);
        if (c.ends_double_byte && !chain.empty())
            chain.back().replace(c.folder_length - 2, 2, DOUBLE_BYTE);
        ASSERT_TRUE(create_chain(chain)) << "could not make a folder of " << c.folder_length;
        const std::string& folder = chain.back();
        LoadedModule module;
        ASSERT_TRUE(load_module_copy(folder, &module))
            << "could not load the module from a folder of " << c.folder_length
            << ", error " << GetLastError();
        patch_import(module.handle, "shell32.dll", "ShellExecuteA",
                     reinterpret_cast<void*>(shell_opens_nothing));

        plugin_attach(module.handle);
        std::string expected_csv = c.fits ? folder + "\\tq7_sheet.csv" : "";
        std::string expected_workbook = c.fits ? folder + "\\tq7_sheet.xls" : "";
        EXPECT_EQ(expected_csv, csv_path) << "folder of " << c.folder_length;
        EXPECT_EQ(expected_workbook, workbook_path) << "folder of " << c.folder_length;

        FixtureHost host;
        host.csv_text = text;
        output_first_set(module, &host);
        EXPECT_EQ(1u, host.texts_given.size()) << "folder of " << c.folder_length;
        EXPECT_EQ(host.texts_given, host.texts_released) << "folder of " << c.folder_length;
        std::string written;
        bool exists = read_wide_file(folder + "\\tq7_sheet.csv", &written);
        EXPECT_EQ(c.fits, exists) << "folder of " << c.folder_length;
        if (c.fits) {
            EXPECT_EQ(text, written) << "folder of " << c.folder_length;
        }

        unload_module(&module);
        remove_chain(chain);
    }
    remove_folder_tree(base);
}

// --- File names as the platform gives them, through the module's own call.

// How the platform answers a name longer than the room given: since Vista it
// cuts to one byte less and ends it; XP (and Wine) fill the room unended.
enum CutStyle { CUT_ENDED, CUT_UNENDED };

struct FakeName {
    std::string name;
    CutStyle style = CUT_ENDED;
    bool fails = false;
    std::vector<DWORD> sizes_asked;
};
FakeName fake;

DWORD WINAPI fake_module_file_name(HMODULE, LPSTR buffer, DWORD size) {
    fake.sizes_asked.push_back(size);
    if (fake.fails) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (fake.name.size() < size) {
        memcpy(buffer, fake.name.c_str(), fake.name.size() + 1);
        return static_cast<DWORD>(fake.name.size());
    }
    if (fake.style == CUT_ENDED) {
        memcpy(buffer, fake.name.data(), size - 1);
        buffer[size - 1] = '\0';
    } else {
        memcpy(buffer, fake.name.data(), size);
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

std::string folder_of(size_t length, bool ends_double_byte) {
    if (length < 3) return std::string(length, 'f');
    std::string folder = "C:\\" + std::string(length - 3, 'f');
    if (ends_double_byte) folder.replace(length - 2, 2, DOUBLE_BYTE);
    return folder;
}

// A file name of length bytes: one single byte, then double-byte characters
// (so the one that straddles byte 258 of the name depends on the folder's
// parity), then ".tq7".
std::string double_byte_file(size_t length) {
    std::string file = "m";
    while (file.size() + 2 + 4 <= length) file += DOUBLE_BYTE;
    while (file.size() + 4 < length) file += 'm';
    return file + ".tq7";
}

TEST(ModulePaths, FromNamesCutShortOrWhole) {
    struct Case {
        const char* what;
        std::string folder;
        std::string file;
        bool double_byte;  // only under code page 932
    } cases[] = {
        {"folder of 1, short name", folder_of(1, false), MODULE_FILE, false},
        {"folder of 1, renamed module of 300 bytes", folder_of(1, false), double_byte_file(300), true},
        {"folder of 2, renamed module cut inside a character", folder_of(2, false), double_byte_file(300), true},
        {"folder of 244, name of 258 bytes", folder_of(244, false), MODULE_FILE, false},
        {"folder of 244, renamed module", folder_of(244, false), double_byte_file(40), true},
        {"folder of 245, name of 259 bytes", folder_of(245, false), MODULE_FILE, false},
        {"folder of 245 ending in a double-byte character", folder_of(245, true), MODULE_FILE, true},
        {"folder of 245, renamed module", folder_of(245, false), double_byte_file(40), true},
        {"folder of 245, name of 1,100 bytes", folder_of(245, false), std::string(853, 'm') + ".tq7", false},
        {"folder of 246", folder_of(246, false), MODULE_FILE, false},
        {"folder of 246 ending in a double-byte character", folder_of(246, true), MODULE_FILE, true},
        {"folder of 258", folder_of(258, false), MODULE_FILE, false},
        {"folder of 257 ending in a double-byte character cut after its lead byte",
         folder_of(259, true), MODULE_FILE, true},
        {"name longer than the platform gives", folder_of(10, false), std::string(70000, 'm'), false},
        {"the call fails", "", "", false},
    };
    HMODULE program = GetModuleHandleA(nullptr);
    void* real = patch_import(program, "kernel32.dll", "GetModuleFileNameA",
                              reinterpret_cast<void*>(fake_module_file_name));
    ASSERT_NE(nullptr, real) << "the test program should import GetModuleFileNameA";
    for (CutStyle style : {CUT_ENDED, CUT_UNENDED}) {
        for (const Case& c : cases) {
            if (c.double_byte && !running_in_japanese()) continue;
            std::string what = std::string(c.what) + (style == CUT_ENDED ? ", cut ended" : ", cut unended");
            fake = FakeName();
            fake.style = style;
            fake.fails = c.file.empty();
            fake.name = c.folder + "\\" + c.file;
            memset(csv_path, 'x', sizeof(csv_path));
            memset(workbook_path, 'x', sizeof(workbook_path));
            plugin_attach(program);

            bool fits = c.folder.size() <= LONGEST_FOLDER && fake.name.size() < 65535;
            std::string expected = fits ? c.folder + "\\tq7_sheet.csv" : "";
            EXPECT_EQ(expected, std::string(csv_path, strnlen(csv_path, sizeof(csv_path)))) << what;
            if (fits) expected.replace(expected.size() - 3, 3, "xls");
            EXPECT_EQ(expected, std::string(workbook_path, strnlen(workbook_path, sizeof(workbook_path))))
                << what;
            // The first call keeps a byte back; each further one asks for
            // more, and once the name came whole nothing more is asked.
            ASSERT_FALSE(fake.sizes_asked.empty()) << what;
            EXPECT_EQ(259u, fake.sizes_asked[0]) << what;
            for (size_t i = 1; i < fake.sizes_asked.size(); ++i)
                EXPECT_GT(fake.sizes_asked[i], fake.sizes_asked[i - 1]) << what;
            bool whole_at_last = fake.name.size() < fake.sizes_asked.back();
            EXPECT_TRUE(whole_at_last || fake.sizes_asked.back() >= 65535u) << what;
            EXPECT_LE(fake.sizes_asked.size(), 8u) << what;
        }
    }
    patch_import(program, "kernel32.dll", "GetModuleFileNameA", real);
}

}  // namespace
