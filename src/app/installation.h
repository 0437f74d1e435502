#pragma once

#include "app/outcome.h"

#include <windows.h>

#include <string>

// The MSI for this machine: the package name with "x64.msi" on 64-bit
// Windows, "x86.msi" on 32-bit Windows.
std::wstring PackageFileName(const std::wstring& packageName, bool wow64);

// One installation attempt: stage the matching MSI and its cabinets, run
// msiexec.exe on the copy in the chosen language, remove the copy. Failures
// are shown in message boxes owned by owner, where a person can see them.
RunOutcome RunInstallation(HINSTANCE module, HWND owner, const std::wstring& languageName);
