// What the start of the launcher reads once and gives a run.
#pragma once

#include "app/command_line.h"
#include "app/installer_action.h"
#include "app/log_files.h"
#include "language/language_list.h"
#include "msi/library.h"
#include "staging/places.h"

#include <windows.h>

#include <string>

struct RunRequest {
    HINSTANCE module = nullptr;
    LauncherArguments arguments;
    // What the arguments ask of msiexec.exe.
    CommandAction action;
    // The base of the MSIs' and the logs' names (string resource 133).
    std::wstring packageName;
    // The process's token: where to stage and log, and whether the products'
    // source lists can be mended.
    TokenFacts token;
    // The installer languages on offer; the dialog puts its prompt's first.
    Main::LanguageList* languages = nullptr;
    // msi.dll's functions, loaded when the run first needs them.
    MsiLibrary* msi = nullptr;
    // The run's logs; null: none.
    const RunLogs* logs = nullptr;
    // Whether a person attends the run: only then does a box tell a failure.
    bool attended = true;
    // Whether anyone sees the station: only then does the progress window show.
    bool stationSeen = true;
};
