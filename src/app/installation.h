// One installation run: stage, check, start the installer, clean up.
#pragma once

#include "app/command_line.h"
#include "app/log_files.h"
#include "app/msi_api.h"
#include "app/outcome.h"
#include "language/language_list.h"

#include <windows.h>

#include <string>

// What the start of the launcher reads once and gives a run.
struct RunRequest {
    HINSTANCE module = nullptr;
    LauncherArguments arguments;
    // The installer languages on offer; the dialog puts its prompt's first.
    Main::LanguageList* languages = nullptr;
    // msi.dll's functions, loaded when the run first needs them.
    MsiLibrary* msi = nullptr;
    // The run's logs; null: none.
    const RunLogs* logs = nullptr;
    // The installed flag: a direct run in the language of the user interface.
    bool installed = false;
    // Whether a person attends the run: only then does a box tell a failure.
    bool attended = true;
    // Whether anyone sees the station: only then does the progress window show.
    bool stationSeen = true;
};

// One installation attempt: stage the matching MSI and its cabinets, run
// msiexec.exe on the copy in the chosen language (null: the package's own,
// and the user interface's for the progress window), remove the copy (or,
// when the wait for the installer failed and it may still read the copy,
// only schedule it for removal at the next restart). Failures are shown in
// message boxes owned by owner, in a run that a person attends.
RunOutcome RunInstallation(const RunRequest& request, HWND owner, const Main::Language* language);
