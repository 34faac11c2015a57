/* Resource identifiers shared by the resource script and the code. */
#pragma once

/* Dialogs */
#define IDD_SHEET_OUTPUT 122

/* Controls (the "Close" button is the system's IDCANCEL, 2) */
#define IDC_SET_LIST 1059
#define IDC_OUTPUT 1061

/* Strings */
#define IDS_COM_LEVEL 109
#define IDS_SET_ORDINAL 600
#define IDS_LEG_NUMBER 601
#define IDS_EXCEL_FAILED 1000
#define IDS_MENU_CAPTION 2000
