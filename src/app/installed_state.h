// The installed flag in the user's registry.
#pragma once

#include <windows.h>

#include <string>

// "Software\Microsoft\<vendor>\<product>" under HKEY_CURRENT_USER.
std::wstring InstalledStateKey(const std::wstring& vendor, const std::wstring& product);

// True only when the key's value "installed" is a REG_DWORD holding 1; the
// names come from module's string table.
bool IsProductInstalled(HINSTANCE module);
