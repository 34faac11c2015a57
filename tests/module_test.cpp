// The module as the host meets it: its export and import tables, the record
// get_plugin_info fills, the initialiser, the command without a set list, the
// resources in both languages, the string loader and the paths beside it,
// each through the loaded module.
#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/fixture_host.h"
#include "tests/support/import_patch.h"
#include "tests/support/loaded_module.h"
#include "tests/support/temp_folder.h"

namespace {

// "&Output of ScoreSheet..." in Japanese, as code page 932 bytes.
const char JAPANESE_CAPTION_932[] =
    "\x83\x58\x83\x52\x83\x41\x83\x56\x81\x5b\x83\x67\x8f\x6f\x97\xcd(&O)...";

bool running_in_japanese() {
    return GetACP() == 932;
}

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = make_temp_folder("tq7_module");
        ASSERT_FALSE(folder_.empty());
        ASSERT_TRUE(load_module_copy(folder_, &module_)) << "could not load " << built_module_path();
    }
    void TearDown() override {
        unload_module(&module_);
        remove_folder_tree(folder_);
    }
    const unsigned char* image() const { return reinterpret_cast<const unsigned char*>(module_.handle); }
    const IMAGE_DATA_DIRECTORY& directory(int index) const {
        const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image());
        const IMAGE_NT_HEADERS32* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image() + dos->e_lfanew);
        return nt->OptionalHeader.DataDirectory[index];
    }
    std::string folder_;
    LoadedModule module_;
};

TEST_F(ModuleTest, ExportTableNamesExactlyTheThreeEntryPoints) {
    const IMAGE_DATA_DIRECTORY& entry = directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(0u, entry.VirtualAddress);
    const IMAGE_EXPORT_DIRECTORY* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(image() + entry.VirtualAddress);
    EXPECT_STREQ("tq7_sheet.tq7", reinterpret_cast<const char*>(image() + exports->Name));
    EXPECT_EQ(1u, exports->Base);
    ASSERT_EQ(3u, exports->NumberOfFunctions);
    ASSERT_EQ(3u, exports->NumberOfNames);
    const DWORD* names = reinterpret_cast<const DWORD*>(image() + exports->AddressOfNames);
    const WORD* ordinals = reinterpret_cast<const WORD*>(image() + exports->AddressOfNameOrdinals);
    const char* expected[] = {"get_plugin_info", "tq7_sheet", "tq7_sheet_initialize"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(expected[i], reinterpret_cast<const char*>(image() + names[i]));
        EXPECT_EQ(i, ordinals[i]) << expected[i] << " should be ordinal " << i + 1;
        EXPECT_EQ(GetProcAddress(module_.handle, expected[i]),
                  GetProcAddress(module_.handle, MAKEINTRESOURCEA(i + 1)));
    }
}

TEST_F(ModuleTest, ImportsSystemLibrariesOnly) {
    const std::set<std::string> allowed = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                           "SHELL32.DLL", "MSVCRT.DLL"};
    const IMAGE_DATA_DIRECTORY& entry = directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    const IMAGE_IMPORT_DESCRIPTOR* import =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image() + entry.VirtualAddress);
    int count = 0;
    for (; import->Name != 0; ++import, ++count) {
        std::string name = reinterpret_cast<const char*>(image() + import->Name);
        CharUpperA(&name[0]);
        EXPECT_TRUE(allowed.count(name)) << "imports " << name;
    }
    EXPECT_GE(count, 4);
}

// The stdcall entry points pop their own arguments: a mismatch would show as a
// moved stack pointer after the call.
TEST_F(ModuleTest, EntryPointsRemoveTheirArguments) {
    unsigned char record[600];
    memset(record, 0, sizeof(record));
    void* before = nullptr;
    void* after = nullptr;
    int result = 0;
    void* function = reinterpret_cast<void*>(module_.get_plugin_info);
    asm volatile(
        "movl %%esp, %0\n\t"
        "pushl %4\n\t"
        "pushl $5\n\t"
        "pushl $0\n\t"
        "call *%3\n\t"
        "movl %%esp, %1\n\t"
        : "=&r"(before), "=&r"(after), "=a"(result)
        : "r"(function), "r"(record)
        : "ecx", "edx", "memory");
    EXPECT_EQ(before, after) << "get_plugin_info should pop 12 bytes";
    EXPECT_EQ(0, result);
    function = reinterpret_cast<void*>(module_.tq7_sheet_initialize);
    asm volatile(
        "movl %%esp, %0\n\t"
        "pushl $0\n\t"
        "pushl $0\n\t"
        "call *%3\n\t"
        "movl %%esp, %1\n\t"
        : "=&r"(before), "=&r"(after), "=a"(result)
        : "r"(function)
        : "ecx", "edx", "memory");
    EXPECT_EQ(before, after) << "tq7_sheet_initialize should pop 8 bytes";
    EXPECT_EQ(4, result);
}

TEST_F(ModuleTest, PluginInfoFillsOnlyForIndexZero) {
    struct Case {
        int index;
        int result;
    } cases[] = {{0, 1}, {1, 0}, {-1, 0}, {INT_MAX, 0}, {INT_MIN, 0}};
    const char* caption = running_in_japanese() ? JAPANESE_CAPTION_932 : "&Output of ScoreSheet...";
    for (const Case& c : cases) {
        unsigned char record[1024];
        memset(record, 0xCC, sizeof(record));
        EXPECT_EQ(c.result, module_.get_plugin_info(0x12345678, c.index, record)) << "index " << c.index;
        std::vector<unsigned char> expected(sizeof(record), 0xCC);
        if (c.result == 1) {
            memcpy(&expected[4], caption, strlen(caption) + 1);
            memcpy(&expected[260], "tq7_sheet", 10);
            expected[516] = 0;
        }
        for (size_t i = 0; i < sizeof(record); ++i) {
            ASSERT_EQ(expected[i], record[i]) << "index " << c.index << ", byte " << i;
        }
    }
}

TEST_F(ModuleTest, PluginInfoFillsAgainOnEveryCall) {
    unsigned char record[600];
    for (int call = 0; call < 3; ++call) {
        memset(record, call == 1 ? 0x00 : 0x5A, sizeof(record));
        ASSERT_EQ(1, module_.get_plugin_info(0, 0, record));
        EXPECT_STREQ("tq7_sheet", reinterpret_cast<char*>(record + 260));
        EXPECT_EQ(0, record[516]);
        EXPECT_EQ(call == 1 ? 0x00 : 0x5A, record[0]);
    }
}

TEST_F(ModuleTest, InitializeAnswersFour) {
    EXPECT_EQ(4, module_.tq7_sheet_initialize(0, 0));
    EXPECT_EQ(4, module_.tq7_sheet_initialize(-1, 77));
}

TEST_F(ModuleTest, CommandShowsNothingWithoutASetList) {
    struct Case {
        bool handles_messages;
        const char* what;
    } cases[] = {{true, "the host answers null"}, {false, "the host does not handle the message"}};
    for (const Case& c : cases) {
        FixtureHost host;
        host.handles_messages = c.handles_messages;
        create_fixture_host(&host, 100, 100, 600, 400);
        CommandRun run = run_command(module_, host.window, [](HWND dialog) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }, 1500);
        EXPECT_EQ(0, run.result) << c.what;
        EXPECT_FALSE(run.dialog_seen) << c.what;
        EXPECT_EQ(c.handles_messages ? 1 : 0, host.set_list_requests) << c.what;
        destroy_fixture_host(&host);
    }
}

// --- Resources, read from the image in both languages whatever the locale.

BOOL CALLBACK collect_language(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::set<WORD>*>(list)->insert(language);
    return TRUE;
}

// The languages a resource exists in, exactly as stored: no fallback.
std::set<WORD> resource_languages(HMODULE module, LPCSTR type, LPCSTR name) {
    std::set<WORD> languages;
    EnumResourceLanguagesA(module, type, name, collect_language, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::wstring read_wide(const WORD*& cursor) {
    std::wstring text;
    while (*cursor) text += static_cast<wchar_t>(*cursor++);
    ++cursor;
    return text;
}

struct TemplateItem {
    DWORD style, ex_style;
    short x, y, cx, cy;
    WORD id;
    WORD class_atom;
    std::wstring text;
    WORD creation_data;
};

struct DialogTemplateContent {
    DWORD style, ex_style;
    short x, y, cx, cy;
    std::wstring menu, window_class, caption, face;
    WORD point_size;
    std::vector<TemplateItem> items;
};

bool parse_template(const void* data, DialogTemplateContent* out) {
    const DLGTEMPLATE* head = static_cast<const DLGTEMPLATE*>(data);
    if (reinterpret_cast<const WORD*>(head)[1] == 0xFFFF) return false;  // extended form
    out->style = head->style;
    out->ex_style = head->dwExtendedStyle;
    out->x = head->x;
    out->y = head->y;
    out->cx = head->cx;
    out->cy = head->cy;
    const WORD* cursor = reinterpret_cast<const WORD*>(head + 1);
    if (*cursor == 0xFFFF) return false;  // a menu by ordinal
    out->menu = read_wide(cursor);
    if (*cursor == 0xFFFF) return false;
    out->window_class = read_wide(cursor);
    out->caption = read_wide(cursor);
    out->point_size = *cursor++;
    out->face = read_wide(cursor);
    for (int i = 0; i < head->cdit; ++i) {
        cursor = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(cursor) + 3) & ~UINT_PTR(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(cursor);
        TemplateItem parsed;
        parsed.style = item->style;
        parsed.ex_style = item->dwExtendedStyle;
        parsed.x = item->x;
        parsed.y = item->y;
        parsed.cx = item->cx;
        parsed.cy = item->cy;
        parsed.id = item->id;
        cursor = reinterpret_cast<const WORD*>(item + 1);
        if (*cursor != 0xFFFF) return false;  // classes are named by their atoms
        parsed.class_atom = cursor[1];
        cursor += 2;
        if (*cursor == 0xFFFF) return false;
        parsed.text = read_wide(cursor);
        parsed.creation_data = *cursor++;
        out->items.push_back(parsed);
    }
    return true;
}

struct LanguageTexts {
    WORD language;
    const wchar_t* caption;
    const wchar_t* face;
    WORD point_size;
    const wchar_t* prompt;
    const wchar_t* output;
    const wchar_t* close;
    const wchar_t* excel_failed;
    const wchar_t* menu_caption;
};

const LanguageTexts LANGUAGES[] = {
    {1033, L"Output of ScoreSheet", L"MS Sans Serif", 8, L"Please choose the set to output to Excel.",
     L"Output", L"Close", L"Failed in the execution of Excel.\n\n", L"&Output of ScoreSheet..."},
    {1041, L"\u30b9\u30b3\u30a2\u30b7\u30fc\u30c8\u51fa\u529b", L"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af", 9,
     L"\u30a8\u30af\u30bb\u30eb\u306b\u51fa\u529b\u3059\u308b\u30bb\u30c3\u30c8\u3092\u9078\u629e\u3057\u3066"
     L"\u304f\u3060\u3055\u3044\u3002",
     L"\u51fa\u529b", L"\u9589\u3058\u308b",
     L"\u30a8\u30af\u30bb\u30eb\u306e\u8d77\u52d5\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002\n\n",
     L"\u30b9\u30b3\u30a2\u30b7\u30fc\u30c8\u51fa\u529b(&O)..."},
};

TEST_F(ModuleTest, DialogTemplateInBothLanguages) {
    for (const LanguageTexts& language : LANGUAGES) {
        HRSRC found = FindResourceExA(module_.handle, RT_DIALOG, MAKEINTRESOURCEA(IDD_SHEET_OUTPUT),
                                      language.language);
        ASSERT_NE(nullptr, found) << "no dialog in language " << language.language;
        DialogTemplateContent content;
        ASSERT_TRUE(parse_template(LockResource(LoadResource(module_.handle, found)), &content))
            << "language " << language.language << ": not a classic template";
        EXPECT_EQ(0x80CC0040u, content.style);
        EXPECT_EQ(0u, content.ex_style);
        EXPECT_EQ(0, content.x);
        EXPECT_EQ(0, content.y);
        EXPECT_EQ(253, content.cx);
        EXPECT_EQ(278, content.cy);
        EXPECT_EQ(L"", content.menu);
        EXPECT_EQ(L"", content.window_class);
        EXPECT_TRUE(content.caption == language.caption) << "caption in " << language.language;
        EXPECT_TRUE(content.face == language.face) << "font face in " << language.language;
        EXPECT_EQ(language.point_size, content.point_size);
        struct Expected {
            WORD id;
            WORD class_atom;
            short x, y, cx, cy;
            DWORD style;
            const wchar_t* text;
        } items[] = {
            {0xFFFF, 0x82, 5, 5, 245, 10, 0x50020000, language.prompt},
            {IDC_SET_LIST, 0x83, 0, 20, 252, 235, 0x50A11161, L""},
            {IDC_OUTPUT, 0x80, 145, 260, 50, 14, 0x50010001, language.output},
            {IDCANCEL, 0x80, 199, 260, 50, 14, 0x50010000, language.close},
        };
        ASSERT_EQ(4u, content.items.size());
        for (int i = 0; i < 4; ++i) {
            const TemplateItem& got = content.items[i];
            EXPECT_EQ(items[i].id, got.id) << "control " << i;
            EXPECT_EQ(items[i].class_atom, got.class_atom) << "control " << i;
            EXPECT_EQ(items[i].x, got.x) << "control " << i;
            EXPECT_EQ(items[i].y, got.y) << "control " << i;
            EXPECT_EQ(items[i].cx, got.cx) << "control " << i;
            EXPECT_EQ(items[i].cy, got.cy) << "control " << i;
            EXPECT_EQ(items[i].style, got.style) << "control " << i;
            EXPECT_EQ(0u, got.ex_style) << "control " << i;
            EXPECT_TRUE(got.text == items[i].text) << "control " << i << " text in " << language.language;
            EXPECT_EQ(0, got.creation_data) << "control " << i;
        }
    }
    const std::set<WORD> both = {1033, 1041};
    EXPECT_EQ(both, resource_languages(module_.handle, RT_DIALOG, MAKEINTRESOURCEA(IDD_SHEET_OUTPUT)));
}

// The string table's entries for one language, read from its blocks of 16.
std::wstring table_string(HMODULE module, UINT id, WORD language, bool* present) {
    *present = false;
    HRSRC block = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), language);
    if (block == nullptr) return std::wstring();
    const WORD* cursor = static_cast<const WORD*>(LockResource(LoadResource(module, block)));
    for (UINT i = 0; i < id % 16; ++i) cursor += 1 + *cursor;
    if (*cursor == 0) return std::wstring();
    *present = true;
    return std::wstring(reinterpret_cast<const wchar_t*>(cursor + 1), *cursor);
}

TEST_F(ModuleTest, StringTableInBothLanguagesHoldsExactlyTheFiveTexts) {
    for (const LanguageTexts& language : LANGUAGES) {
        struct Expected {
            UINT id;
            const wchar_t* text;
        } strings[] = {
            {IDS_COM_LEVEL, L"COM (Lv.%d)"}, {IDS_SET_ORDINAL, L"%d Sets"}, {IDS_LEG_NUMBER, L"%d Legs"},
            {IDS_EXCEL_FAILED, language.excel_failed}, {IDS_MENU_CAPTION, language.menu_caption},
        };
        int present_count = 0;
        for (UINT id = 0; id < 2100; ++id) {
            bool present = false;
            std::wstring text = table_string(module_.handle, id, language.language, &present);
            if (!present) continue;
            ++present_count;
            bool known = false;
            for (const Expected& expected : strings) {
                if (expected.id != id) continue;
                known = true;
                EXPECT_TRUE(text == expected.text) << "string " << id << " in " << language.language;
            }
            EXPECT_TRUE(known) << "unexpected string " << id << " in " << language.language;
        }
        EXPECT_EQ(5, present_count) << "in " << language.language;
    }
    const std::set<WORD> both = {1033, 1041};
    for (UINT id : {IDS_COM_LEVEL, IDS_SET_ORDINAL, IDS_EXCEL_FAILED, IDS_MENU_CAPTION})
        EXPECT_EQ(both, resource_languages(module_.handle, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1)))
            << "string block of " << id;
}

// --- The string loader, through the loaded module: its import of LoadStringA
// is redirected when the text has to come from elsewhere.

struct StringRequest {
    HINSTANCE redirect_to = nullptr;  // null: the module's own table
    UINT redirect_id = 0;
    UINT id = 0;       // what the module asked for
    int room = -1;     // the room it gave
};
StringRequest string_request;
decltype(&LoadStringA) real_load_string = nullptr;

int WINAPI redirected_load_string(HINSTANCE instance, UINT id, LPSTR buffer, int room) {
    string_request.id = id;
    string_request.room = room;
    if (string_request.redirect_to) {
        instance = string_request.redirect_to;
        id = string_request.redirect_id;
    }
    return real_load_string(instance, id, buffer, room);
}

TEST_F(ModuleTest, StringLoaderKeepsItsRoomAndForgetsTheTextBefore) {
    HMODULE strings = LoadLibraryA((program_folder() + "\\long_string_module.dll").c_str());
    ASSERT_NE(nullptr, strings);
    real_load_string = reinterpret_cast<decltype(&LoadStringA)>(patch_import(
        module_.handle, "user32.dll", "LoadStringA", reinterpret_cast<void*>(redirected_load_string)));
    ASSERT_NE(nullptr, real_load_string);
    struct Case {
        const char* what;
        UINT id;  // in the long-string module; 0 for the module's own caption
        const char* caption;  // null: the first 254 bytes of the long text
    } cases[] = {
        {"the caption in the user's language", 0,
         running_in_japanese() ? JAPANESE_CAPTION_932 : "&Output of ScoreSheet..."},
        {"a present text", 2, "present"},
        {"a missing text after a present one", 3, ""},
        {"a text longer than the loader keeps", 1, nullptr},
    };
    for (const Case& c : cases) {
        string_request = StringRequest();
        string_request.redirect_to = c.id ? strings : nullptr;
        string_request.redirect_id = c.id;
        unsigned char record[600];
        memset(record, 0x5A, sizeof(record));
        EXPECT_EQ(1, module_.get_plugin_info(0, 0, record)) << c.what;
        EXPECT_EQ(static_cast<UINT>(IDS_MENU_CAPTION), string_request.id) << c.what;
        EXPECT_EQ(255, string_request.room) << c.what << ": the room given to LoadStringA";
        const char* caption = reinterpret_cast<const char*>(record + 4);
        if (c.caption) {
            EXPECT_STREQ(c.caption, caption) << c.what;
        } else {
            EXPECT_EQ(254u, strnlen(caption, 256)) << c.what << ": bytes kept of the long text";
            EXPECT_EQ(0, memcmp(caption, "0123456789abcdefghijklmnopqrstuvwxyz", 36)) << c.what;
        }
    }
    patch_import(module_.handle, "user32.dll", "LoadStringA", reinterpret_cast<void*>(real_load_string));
    FreeLibrary(strings);
}

// --- The paths beside the module, as the loaded module derives them from the
// platform's file name and lead-byte test: seen in the names it hands on.

struct PathsSeen {
    std::string created;
    std::string launched;
};
PathsSeen paths_seen;
decltype(&CreateFileA) real_create_file = nullptr;

HANDLE WINAPI recording_create_file(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                    DWORD disposition, DWORD flags, HANDLE template_file) {
    paths_seen.created = name;
    return real_create_file(name, access, share, security, disposition, flags, template_file);
}

HINSTANCE WINAPI recording_shell_execute(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
    paths_seen.launched = file;
    // Above 32: launched, as far as the module can tell.
    return reinterpret_cast<HINSTANCE>(42);
}

TEST(ModulePaths, DerivedFromWhereTheModuleLies) {
    // 0x95 0x5C is one character under code page 932, whose second byte is a
    // backslash; only the platform's lead-byte test tells it from a separator.
    struct Case {
        const char* what;
        const char* folder_tag;
        const char* file_name;
        bool only_in_japanese;
    } cases[] = {
        {"a plain folder", "tq7_plain", "tq7_sheet.tq7", false},
        {"a folder holding the pair", "tq7_\x95\x5C", "tq7_sheet.tq7", true},
        {"a module name whose last 0x5C is a trail byte", "tq7_name", "tq7_\x95\x5C.tq7", true},
    };
    for (const Case& c : cases) {
        if (c.only_in_japanese && !running_in_japanese()) continue;
        std::string folder = make_temp_folder(c.folder_tag);
        ASSERT_FALSE(folder.empty()) << c.what;
        LoadedModule module;
        ASSERT_TRUE(load_module_copy(folder, &module, c.file_name)) << c.what;
        real_create_file = reinterpret_cast<decltype(&CreateFileA)>(patch_import(
            module.handle, "kernel32.dll", "CreateFileA", reinterpret_cast<void*>(recording_create_file)));
        ASSERT_NE(nullptr, real_create_file) << c.what;
        ASSERT_NE(nullptr, patch_import(module.handle, "shell32.dll", "ShellExecuteA",
                                        reinterpret_cast<void*>(recording_shell_execute)))
            << c.what;
        char name[MAX_PATH] = {};
        GetModuleFileNameA(module.handle, name, sizeof(name));
        std::string actual_folder = name;
        actual_folder.resize(actual_folder.size() - strlen(c.file_name) - 1);

        HostLegRecord leg = make_leg(0, 3);
        HostSetRecord set = make_set(1, 1, &leg);
        HostSetList list = {nullptr, 0, &set};
        FixtureHost host;
        host.set_list = &list;
        host.csv_text = "sheet\r\n";
        create_fixture_host(&host, 100, 100, 600, 400);
        paths_seen = PathsSeen();
        CommandRun run = run_command(module, host.window, [](HWND dialog) {
            SendDlgItemMessageA(dialog, IDC_SET_LIST, LB_SETCURSEL, 0, 0);
            send_bounded(dialog, WM_COMMAND, IDC_OUTPUT, 0, 10000);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_TRUE(run.ended_in_time) << c.what;
        EXPECT_EQ(actual_folder + "\\tq7_sheet.csv", paths_seen.created) << c.what;
        EXPECT_EQ(actual_folder + "\\tq7_sheet.xls", paths_seen.launched) << c.what;
        destroy_fixture_host(&host);
        unload_module(&module);
        remove_folder_tree(folder);
    }
}

}  // namespace
