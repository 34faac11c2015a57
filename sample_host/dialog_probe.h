// Finds and reads the plug-in's dialogs from another thread of the host.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A visible top-level dialog (class "#32770") of this process owned by owner.
// With a caption, only a dialog with exactly that caption; with
// skip_caption, any dialog but one with that caption.
HWND find_owned_dialog(HWND owner, const char* caption, const char* skip_caption);

// The text of a message box: its text control, else all its static texts.
std::string message_box_text(HWND box);

// The rows of a list box: their texts, or their item data for an owner-drawn
// list that keeps no strings.
std::vector<std::string> list_box_rows(HWND list);

// The window's caption text.
std::string window_caption(HWND window);
