#pragma once

#include <windows.h>

#include <string>

extern HINSTANCE g_hInstance;
extern std::wstring g_commandLine;
