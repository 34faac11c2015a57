// The score sheet that the host composes for one set, as ANSI CSV text.
#pragma once
#include <string>

#include "host/host_records.h"

// The sheet for one set in the layout that CSV_LAYOUT.md describes; names are
// copied as their ANSI bytes. is_current marks the open set being played.
std::string compose_sheet_csv(const HostSetRecord& set, bool is_current);

// One CSV field: quoted, with quotes doubled, when it holds a comma, a quote
// or a line break; otherwise unchanged.
std::string csv_field(const std::string& text);

// How a player is named on the sheet: the stored name, or "COM (Lv.N)" for a
// computer opponent (N is the zero-based level + 1).
std::string sheet_player_label(const HostPlayerBlock& player);
