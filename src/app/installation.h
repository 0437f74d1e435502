// One installation run: stage, check, start the installer, clean up.
#pragma once

#include "app/outcome.h"
#include "app/run_request.h"
#include "language/language_list.h"

#include <windows.h>

// One installation attempt: stage the matching MSI and its cabinets, run
// msiexec.exe on the copy in the chosen language (null: the package's own,
// and the user interface's for the progress window), and end the staging
// (app/cleanup.h). Failures are shown in message boxes owned by owner, in a
// run that a person attends.
RunOutcome RunInstallation(const RunRequest& request, HWND owner, const Main::Language* language);

// Tells the outcome's message, if it has one, in a box owned by owner where
// a person attends the run; in a run that nobody attends a box would wait
// for ever, or stop a deployment that asked for no interface: the log and
// the exit code tell the outcome there instead.
RunOutcome Tell(const RunRequest& request, HWND owner, const RunOutcome& run);
