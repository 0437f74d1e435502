// The language dialog, whose OK starts the installation run.
#pragma once

#include "app/outcome.h"

#include <windows.h>

// The module and window of the language dialog, stored when it opens.
extern HINSTANCE g_hDialogInstance;
extern HWND g_hDialog;
// The outcome of the installation run that OK started.
extern RunOutcome g_dialogRun;

// Sets the prompt and fills the language list of the dialog in g_hDialog.
void FillLanguageDialog();

// Stores the handles, centres the dialog, sets its icons and fills it.
void InitLanguageDialog(HWND dialog);

// The procedure of the language dialog IDD_LANGUAGE: OK runs the installation
// in the chosen language, Cancel ends without installing.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
