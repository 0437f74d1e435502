// The module and the argument text that the entry point receives.
#pragma once

#include <windows.h>

#include <string>

inline HINSTANCE g_hInstance = nullptr;
// Inline, so that it is constructed before the globals that a file defines
// after including this header (g_languageList), and destroyed after them.
// None of their constructors reads it: the order keeps the launcher's
// start-up sequence, which begins with the empty command line.
inline std::wstring g_commandLine;
