// The score-sheet dialog: its procedure and the layout memory it keeps.
#pragma once
#include <windows.h>

#include "sheet_dialog/dialog_geometry.h"

// Module-wide: the dialog is modal, so one exists at a time.
extern ListMargins list_margins;
extern ButtonAnchor output_anchor;
extern ButtonAnchor close_anchor;

INT_PTR CALLBACK sheet_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Turns a button's window rectangle in screen coordinates into its anchor,
// against the dialog's client rectangle taken now.
void capture_button_anchor(HWND dialog, const RECT& button, ButtonAnchor* anchor);

// Enables "Output" when the list has a selection; called once at initialisation.
void update_output_button(HWND dialog);
