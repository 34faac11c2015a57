// Temporary folders and files for tests: each test makes its own.
#pragma once
#include <string>

// A new empty folder below the system's temporary folder, its name starting
// with tag (which may hold ANSI double-byte text).
std::string make_temp_folder(const std::string& tag);

// Removes a folder and everything below it.
void remove_folder_tree(const std::string& folder);

// The folder that holds the running program, without a trailing separator.
std::string program_folder();

// The whole content of a file, or false when it cannot be read.
bool read_file_bytes(const std::string& path, std::string* bytes);

bool write_file_bytes(const std::string& path, const std::string& bytes);
