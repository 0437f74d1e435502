// The language dialog, whose OK starts the installation run.
#include "app/language_dialog.h"
#include "app/installation.h"
#include "base/globals.h"
#include "base/run_log.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "ui/dialog_frame.h"

HINSTANCE g_hDialogInstance = nullptr;
HWND g_hDialog = nullptr;

void FillLanguageDialog() {
    const HWND prompt = GetDlgItem(g_hDialog, IDC_LANGUAGE_PROMPT);
    const HWND combo = GetDlgItem(g_hDialog, IDC_LANGUAGE_COMBO);
    if (prompt == nullptr || combo == nullptr) {
        return;
    }
    const LanguagePrompt chosen =
        ChooseLanguagePrompt(g_languageList.uiLanguage, g_languageList.languages);
    if (chosen.englishFirst) {
        g_languageList.MoveLanguageToFront(LANG_ENGLISH);
    }
    SetWindowTextW(prompt, chosen.text.c_str());
    for (const Main::Language& language : g_languageList.languages) {
        SendMessageW(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(language.displayName.c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

void InitLanguageDialog(HWND dialog) {
    g_hDialogInstance = g_hInstance;
    g_hDialog = dialog;
    CentreAndDecorate(g_hDialog, g_hDialogInstance);
    FillLanguageDialog();
}

INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // One run per dialog: an OK that reaches the hidden dialog while its run
    // goes on, or after it, starts none, and a cancel ends nothing.
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        InitLanguageDialog(dialog);
        if (GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) == IDC_LANGUAGE_COMBO) {
            return TRUE;
        }
        SetFocus(GetDlgItem(dialog, IDC_LANGUAGE_COMBO));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            if (run == nullptr || run->started) {
                return TRUE;
            }
            run->started = true;
            wchar_t chosen[64] = {};
            GetDlgItemTextW(g_hDialog, IDC_LANGUAGE_COMBO, chosen, 64);
            LogLine("language dialog: OK, ", chosen);
            ShowWindow(g_hDialog, SW_HIDE);
            // The hidden dialog owns any error box of the run.
            run->outcome = RunInstallation(*run->request, g_hDialog, std::wstring(chosen));
            EndDialog(g_hDialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            // Nor does a cancel end the dialog under its run.
            if (run != nullptr && run->started) {
                return TRUE;
            }
            LogLine("language dialog: cancelled");
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_DESTROY:
        ReleaseIcons(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}
