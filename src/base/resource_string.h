// Texts of the executable's string table.
#pragma once

#include <windows.h>

#include <string>

// The string-table entry, read through a 100-character buffer (so at most 99
// characters arrive), or empty when the module or the entry is missing.
std::wstring LoadResourceString(HINSTANCE module, int id);
