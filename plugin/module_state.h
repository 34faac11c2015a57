// The module-wide state, written once at process attach and only read after.
#pragma once
#include <windows.h>

extern HINSTANCE module_instance;
extern char csv_path[MAX_PATH];
extern char workbook_path[MAX_PATH];

// Records the instance and derives both paths from the module's file name.
void plugin_attach(HINSTANCE instance);
