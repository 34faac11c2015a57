// The fonts of the list's rows, made from the system's menu font.
#pragma once
#include <windows.h>

// A new font from the menu font: point_size and weight of 0 or less keep the
// menu font's values; underline is 0 or 1. The caller selects, restores and
// deletes it.
HFONT make_list_font(int point_size, int weight, int underline);
