// Temporary folders and files for tests.
#include "tests/support/temp_folder.h"

#include <windows.h>

std::string make_temp_folder(const std::string& tag) {
    static LONG counter = 0;
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH * 2];
        wsprintfA(name, "%s%s_%lu_%ld", base, tag.c_str(), GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) return name;
    }
    return std::string();
}

void remove_folder_tree(const std::string& folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_folder_tree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string program_folder() {
    char name[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, name, sizeof(name) - 1);
    std::string path = name;
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

bool read_file_bytes(const std::string& path, std::string* bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes->append(chunk, got);
    CloseHandle(file);
    return true;
}

bool write_file_bytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}
