// One installation run: stage, check, start the installer, clean up.
#pragma once

#include "app/outcome.h"

#include <windows.h>

#include <string>

// One installation attempt: stage the matching MSI and its cabinets, run
// msiexec.exe on the copy in the chosen language, remove the copy (or, when
// the wait for the installer failed and it may still read the copy, only
// schedule it for removal at the next restart). Failures are shown in
// message boxes owned by owner, where a person can see them.
RunOutcome RunInstallation(HINSTANCE module, HWND owner, const std::wstring& languageName);
