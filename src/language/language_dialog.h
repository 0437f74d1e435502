#pragma once

#include "app/outcome.h"
#include "language/language_list.h"

#include <windows.h>

#include <list>
#include <string>

// The module and window of the language dialog, stored when it opens.
extern HINSTANCE g_hDialogInstance;
extern HWND g_hDialog;
// The outcome of the installation run that OK started.
extern RunOutcome g_dialogRun;

struct LanguagePrompt {
    std::wstring text;
    // An English prompt goes with English at the top of the list.
    bool englishFirst;
};

// The dialog's prompt for the UI language: localised only when the list
// holds that language.
LanguagePrompt ChooseLanguagePrompt(LANGID uiLanguage, const std::list<Main::Language>& languages);

// The top-left corner that centres a window, now at the rectangle window, on
// the reference rectangle; only the window's size counts.
POINT CentredPosition(const RECT& reference, const RECT& window);

// Centres the dialog on its parent, or on the screen when it has none, and
// gives it the launcher's icon from module.
void CentreAndDecorate(HWND dialog, HINSTANCE module);

// Sets the prompt and fills the language list of the dialog in g_hDialog.
void FillLanguageDialog();

// Stores the handles, centres the dialog, sets its icons and fills it.
void InitLanguageDialog(HWND dialog);

// The procedure of the language dialog IDD_LANGUAGE: OK runs the installation
// in the chosen language, Cancel ends without installing.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
