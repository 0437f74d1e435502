// The built sample package and Setup.exe, run with Wine's own Windows Installer.
#pragma once

// With the facts of Windows that the checks need: where the package installs
// to, the product's registry key, and the system's msiexec.exe.
#include "default_names.h"
#include "package_property.h"
#include "processes.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The built package (the program's argument package=) and the files it was
// made of (files=, package/files of the sources), with trailing backslashes.
std::wstring PackageDir();
std::wstring SourceDir();

// The folder the package installs its files to, with trailing backslash.
std::wstring InstallFolder(const std::wstring& package);
// The architecture folder of package/files that the package's driver comes from.
std::wstring ArchitectureOf(const std::wstring& package);

// A value under kProductKey: its type and bytes; type REG_NONE when missing.
struct RegistryValue {
    DWORD type = REG_NONE;
    std::string bytes;
};
RegistryValue ReadProductValue(const wchar_t* name);
bool ProductKeyExists();
std::wstring AsString(const RegistryValue& value);

// Runs the system's msiexec.exe with the arguments; any dialog counts.
RunResult RunMsiexec(const std::wstring& arguments);

// Removes the product installed from msiPath, if it is, and its registry key.
void EnsureNotInstalled(const std::wstring& msiPath);

// Names in folder that begin with prefix.
