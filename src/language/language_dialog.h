#pragma once

#include <windows.h>

// The procedure of the language dialog IDD_LANGUAGE.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
