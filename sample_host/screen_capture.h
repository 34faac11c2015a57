// Saves what a window shows on the screen as a 24-bit BMP file.
#pragma once
#include <windows.h>

#include <string>

// Copies the window's rectangle from the screen (PrintWindow when the screen
// copy fails) and writes it to path; false when nothing could be written.
bool save_window_bmp(HWND window, const std::string& path);
