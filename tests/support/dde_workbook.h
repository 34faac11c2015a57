// A stand-in for the spreadsheet that takes the shell's "open" of a .xls file
// by DDE, the way a running spreadsheet does: the shell connects to it and
// sends the command instead of starting a process, so a launch is cheap and
// leaves nothing running. Long runs open the workbook thousands of times.
#pragma once
#include <windows.h>

#include <string>

// Starts the DDE server on a thread of its own under a service name unique to
// this process and points .xls (HKLM\Software\Classes) at a class whose open
// verb is answered by it; the earlier .xls association is kept to be put back.
// fallback_command is the verb's command line, which the shell runs only when
// the server does not answer. False when either part failed (nothing is left
// changed then).
bool start_dde_workbook(const std::string& fallback_command);

// Puts the earlier .xls association back and stops the server.
void stop_dde_workbook();

// Open commands that the server took so far.
long dde_workbook_opens();

// 1 when the last command names path (in the ANSI or the UTF-16 form that the
// shell may use); 0 otherwise.
int dde_last_open_names(const std::string& path);
