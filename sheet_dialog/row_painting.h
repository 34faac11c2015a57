// Painting one row of the list from its record and the host's records.
#pragma once
#include <windows.h>

#include "sheet_dialog/sheet_row.h"

// Paints the whole row of request; selected_row is the selected row's record or
// null. Works on any device context, the screen's or a memory bitmap's.
void draw_sheet_row(const DRAWITEMSTRUCT* request, const SheetRow* selected_row);
