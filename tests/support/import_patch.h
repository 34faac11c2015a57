// Replaces an entry of a loaded module's import address table, so that a test
// can watch the module's calls into a system library.
#pragma once
#include <windows.h>

// Points module's import of function from dll (case-insensitive) at
// replacement; returns the previous target, or null when there is no such import.
void* patch_import(HMODULE module, const char* dll, const char* function, void* replacement);

// One import pointed at a hook, with the target it had before.
struct ImportRedirect {
    const char* dll;
    const char* function;
    void* hook;
    void* original;
};

// Points every import of the table at its hook; when one is missing, puts
// back those already changed and returns false.
bool redirect_imports(HMODULE module, ImportRedirect* redirects, size_t count);

// Puts back the targets that redirect_imports replaced.
void restore_imports(HMODULE module, ImportRedirect* redirects, size_t count);
