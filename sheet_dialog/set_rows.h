// The list's rows: one per set, each followed by one per leg.
#pragma once
#include <windows.h>

#include "host/host_records.h"

// Adds every row: the stored sets in array order, then the open current set.
void fill_set_list(HWND list, const HostSetList* set_list);

// Adds legs 1 to leg_count of set.
void add_leg_rows(HWND list, HostSetRecord* set);

// Frees every row record; every item data is null afterwards.
void release_rows(HWND dialog);
