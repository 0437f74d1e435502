// The msiexec.exe command for the staged package, and its start.
#pragma once

#include <windows.h>

#include <string>

// The msiexec.exe command for the staged package: install, or uninstall when
// an argument of the launcher's is an uninstall switch, with the transform
// and the launcher's remaining arguments passed on exactly as typed (the
// uninstall switches taken out with their quotes, the blanks around them
// kept), and last, for a non-empty installerLog, " /l*v" with its path.
std::wstring ComposeMsiexecCommandLine(const std::wstring& commandLine, const std::wstring& msiPath,
                                       const std::wstring& transform,
                                       const std::wstring& installerLog = std::wstring());

// Whether an argument is a log switch of msiexec.exe's: the administrator's
// own log then stays the only one.
bool NamesInstallerLog(const std::wstring& commandLine);

// ComposeMsiexecCommandLine over g_commandLine.
std::wstring BuildMsiexecCommandLine(const std::wstring& msiPath, const std::wstring& transform,
                                     const std::wstring& installerLog);

enum class InstallerRun {
    NotStarted,
    Ended,      // with its exit code
    EndUnknown, // started, but the wait for its end failed: it may still run
};

// Starts the command with the system's own msiexec.exe, which inherits no
// handle of the launcher's, and waits for it to end; its exit code, whatever
// it is, goes to exitCode.
InstallerRun LaunchMsiexec(const std::wstring& msiPath, const std::wstring& transform,
                           const std::wstring& installerLog, DWORD& exitCode);
