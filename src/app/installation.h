#pragma once

#include "app/outcome.h"

#include <windows.h>

#include <string>

// The package for a machine, or none.
enum class PackageChoice { X86, X64, Arm64, None };

// The package for the native machine and this process's machine (each an
// IMAGE_FILE_MACHINE_ value, the process's UNKNOWN when it is no WOW64
// process), as IsWow64Process2 gives them. x64 drivers do not run on ARM64
// Windows, which runs x64 programs only: there only an arm64 package will
// do, where the medium has one.
PackageChoice ChoosePackage(USHORT processMachine, USHORT nativeMachine, bool arm64OnMedium);

// The MSI's name: the package name with "x86.msi", "x64.msi" or "arm64.msi".
std::wstring PackageFileName(const std::wstring& packageName, PackageChoice choice);

// One installation attempt: stage the matching MSI and its cabinets, run
// msiexec.exe on the copy in the chosen language, remove the copy. Failures
// are shown in message boxes owned by owner, where a person can see them.
RunOutcome RunInstallation(HINSTANCE module, HWND owner, const std::wstring& languageName);
