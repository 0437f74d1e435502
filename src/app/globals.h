#pragma once

#include <windows.h>

#include <string>

inline HINSTANCE g_hInstance = nullptr;
// Inline, so that every file that defines a global after including this one
// (g_languageList) has it constructed first.
inline std::wstring g_commandLine;
