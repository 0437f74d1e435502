// One installation run: stage, check, start the installer, clean up.
#pragma once

#include "app/command_line.h"
#include "app/outcome.h"

#include <windows.h>

#include <string>

// One installation attempt: stage the matching MSI and its cabinets, run
// What the start of the launcher gives a run.
struct RunRequest {
    HINSTANCE module = nullptr;
    LauncherArguments arguments;
    // Whether a person attends the run: only then does a box tell a failure.
    bool attended = true;
    // Whether anyone sees the station: only then does the progress window show.
    bool stationSeen = true;
};

// msiexec.exe on the copy in the chosen language, remove the copy (or, when
// the wait for the installer failed and it may still read the copy, only
// schedule it for removal at the next restart). Failures are shown in
// message boxes owned by owner, in a run that a person attends.
RunOutcome RunInstallation(const RunRequest& request, HWND owner, const std::wstring& languageName);
