// The language dialog, whose OK starts the installation run.
#pragma once

#include "app/installation.h"
#include "language/language_list.h"

#include <windows.h>

// The module and window of the language dialog, stored when it opens.
extern HINSTANCE g_hDialogInstance;
extern HWND g_hDialog;
// What the dialog is given as its creation parameter, and the outcome of
// the one run that its OK starts.
struct DialogRun {
    const RunRequest* request = nullptr;
    bool started = false;
    RunOutcome outcome;
};

// Sets the prompt of the dialog and fills its list with languages, each
// item carrying its language.
void FillLanguageDialog(HWND dialog, Main::LanguageList& languages);

// The language of the dialog's chosen item; null when none is chosen.
const Main::Language* ChosenLanguage(HWND dialog);

// The procedure of the language dialog IDD_LANGUAGE, created with a
// DialogRun: it stores the handles, centres the dialog, sets its icons and
// fills it; OK runs the installation in the chosen language, Cancel ends
// without installing.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
