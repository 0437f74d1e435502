// Which of the medium's MSIs a machine needs.
#pragma once

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

// The process's and the native machine, from IsWow64Process2 where Windows
// has it (Windows 10 1511 on), else as IsWow64Process tells 64-bit from
// 32-bit Windows; false when neither can tell.
bool QueryMachines(USHORT& processMachine, USHORT& nativeMachine);
