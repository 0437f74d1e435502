#pragma once

#include <windows.h>

#include <string>

// The string-table entry, read through a 100-character buffer (so at most 99
// characters arrive), or empty when the module or the entry is missing.
std::wstring LoadResourceString(HINSTANCE module, int id);

// "Software\Microsoft\<vendor>\<product>" under HKEY_CURRENT_USER.
std::wstring InstalledStateKey(const std::wstring& vendor, const std::wstring& product);

// True only when the key's value "installed" is a REG_DWORD holding 1.
bool IsProductInstalled();
