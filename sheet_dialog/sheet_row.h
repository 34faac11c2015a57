// The plug-in's record attached to every list row as its item data.
#pragma once
#include <stdint.h>

#include "host/host_records.h"
#include "sheet_dialog/row_layout.h"

struct SheetRow {
    int32_t row_kind;        // ROW_SET or ROW_LEG
    HostSetRecord* row_set;  // the set the row belongs to
    int32_t leg_number;      // counted from 1 for a leg row; 0 for a set row
};

static_assert(sizeof(SheetRow) == 12, "three 32-bit fields");
