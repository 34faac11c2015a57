// The headless run: opens the command, drives the dialog, writes a report.
#pragma once
#include "sample_host/host_window.h"

// Opens the plug-in command through the menu and starts the worker that
// watches and drives the dialog; false when the worker cannot start.
bool start_scripted_run(HostSession& session);

// Writes OUTDIR/report.txt for a command line that was refused.
void report_refused_options(const HostOptions& options);

// Called on the window thread when the worker is done (or the module did not
// load): writes OUTDIR/report.txt and ends the host with the run's exit code.
void finish_scripted_run(HostSession& session, int worker_code);
