// The private window messages through which the plug-in talks to its host.
#pragma once

// Sent once per command to the window handed to tq7_sheet; the answer is a
// HostSetList pointer, or 0 when the host has nothing to offer.
constexpr unsigned HOSTMSG_GET_SET_LIST = 0x8201;
// lParam is a HostSetRecord pointer exactly as the host gave it out; the answer
// is that set's score sheet as NUL-terminated ANSI CSV text, or 0.
constexpr unsigned HOSTMSG_GET_SHEET_CSV = 0x8208;
// lParam is a text that HOSTMSG_GET_SHEET_CSV returned; sent once for each.
constexpr unsigned HOSTMSG_FREE_SHEET_CSV = 0x8209;
