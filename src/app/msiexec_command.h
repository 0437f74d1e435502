// The msiexec.exe command for the staged package, and its start.
#pragma once

#include <windows.h>

#include <string>

// The msiexec.exe command for the staged package: install, or uninstall when
// an argument of the launcher's is an uninstall switch, with the transform
// and the launcher's remaining arguments passed on exactly as typed (the
// uninstall switches taken out with their quotes, the blanks around them
// kept).
std::wstring ComposeMsiexecCommandLine(const std::wstring& commandLine, const std::wstring& msiPath,
                                       const std::wstring& transform);

// ComposeMsiexecCommandLine over g_commandLine.
std::wstring BuildMsiexecCommandLine(const std::wstring& msiPath, const std::wstring& transform);

enum class InstallerRun {
    NotStarted,
    Ended,      // with its exit code
    EndUnknown, // started, but the wait for its end failed: it may still run
};

// Starts the command with the system's own msiexec.exe, which inherits no
// handle of the launcher's, and waits for it to end; its exit code, whatever
// it is, goes to exitCode.
InstallerRun LaunchMsiexec(const std::wstring& msiPath, const std::wstring& transform,
                           DWORD& exitCode);
