#pragma once

#include <windows.h>

#include <string>

extern HINSTANCE g_hInstance;
// Inline, so that every file that defines a global after including this one
// (g_languageList) has it constructed first.
inline std::wstring g_commandLine;
