// The error of the staging operation that failed last.
#pragma once

#include <windows.h>

// The Windows error code of the staging operation that failed last, or 0.
extern DWORD g_lastError;
