#pragma once

#include <string>

// A property of an MSI file, read through the Windows Installer API, or
// "<unreadable>".
std::wstring PackageProperty(const std::wstring& msiPath, const wchar_t* property);
