// Replaces an entry of a loaded module's import address table, so that a test
// can watch the module's calls into a system library.
#pragma once
#include <windows.h>

// Points module's import of function from dll (case-insensitive) at
// replacement; returns the previous target, or null when there is no such import.
void* patch_import(HMODULE module, const char* dll, const char* function, void* replacement);
