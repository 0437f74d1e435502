// The stand-in for msiexec.exe in the prefix, and what it records.
#pragma once

// The stand-in (tests/tools/stand_in_msiexec.cpp) in the prefix of a test
// program, and what it records of how the launcher started it.
#include <windows.h>

#include <string>
#include <vector>

std::wstring SystemMsiexec();
// Whether module is the system's own msiexec.exe, as a 32-bit process names
// it on 64-bit Windows (syswow64) or on 32-bit Windows (system32).
bool IsSystemMsiexec(const std::wstring& module);

// Puts the stand-in (the program's argument stand-in=) back where the
// launcher looks for msiexec.exe, after a test has spoilt it there. The
// prefix's scripts put it there in the first place
// (wine_env_install_stand_in in scripts/wine-env.sh).
void RestoreStandIn();

struct InstallerRecord {
    std::wstring module;
    std::wstring commandLine;
    std::wstring folder;
    std::vector<std::wstring> listing; // "name size", sorted
    // "name write <e> delete <e> read <e>": the errors of opening each staged
    // file for writing, deleting and reading while the installer ran, sorted.
    std::vector<std::wstring> access;
    int inheritedHandles = -1; // handles to staged files that the installer inherited
};

// The record the stand-in wrote to path; false when there is none.
bool ReadRecord(const std::wstring& path, InstallerRecord& record);

// Takes the launcher's own installer log switch off the end of an installer
// command line, " /l*v \"<Windows folder's Temp>…_msi.log\"", and returns
// the log's path; empty, with the command line unchanged, when it ends
// otherwise.
std::wstring TakeInstallerLog(std::wstring& commandLine);

// The access that a locked staged file allows the installer: reading alone.
std::vector<std::wstring> LockedAccess(const std::vector<std::wstring>& listing);
