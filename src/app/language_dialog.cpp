// The language dialog, whose OK starts the installation run.
#include "app/language_dialog.h"
#include "app/installation.h"
#include "base/run_log.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "ui/dialog_frame.h"

HINSTANCE g_hDialogInstance = nullptr;
HWND g_hDialog = nullptr;

void FillLanguageDialog(HWND dialog, Main::LanguageList& languages) {
    const HWND prompt = GetDlgItem(dialog, IDC_LANGUAGE_PROMPT);
    const HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_COMBO);
    if (prompt == nullptr || combo == nullptr) {
        return;
    }
    const LanguagePrompt chosen = ChooseLanguagePrompt(languages.uiLanguage, languages.languages);
    if (chosen.englishFirst) {
        languages.MoveLanguageToFront(LANG_ENGLISH);
    }
    SetWindowTextW(prompt, chosen.text.c_str());
    for (const Main::Language& language : languages.languages) {
        const LRESULT item = SendMessageW(combo, CB_ADDSTRING, 0,
                                          reinterpret_cast<LPARAM>(language.displayName.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, item, reinterpret_cast<LPARAM>(&language));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

const Main::Language* ChosenLanguage(HWND dialog) {
    const HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_COMBO);
    const LRESULT item = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    const LRESULT language = item == CB_ERR ? CB_ERR : SendMessageW(combo, CB_GETITEMDATA, item, 0);
    return language == CB_ERR ? nullptr : reinterpret_cast<const Main::Language*>(language);
}

INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // One run per dialog: an OK that reaches the hidden dialog while its run
    // goes on, or after it, starts none, and a cancel ends nothing.
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        run = reinterpret_cast<DialogRun*>(lParam);
        g_hDialogInstance = run != nullptr ? run->request->module : nullptr;
        g_hDialog = dialog;
        CentreAndDecorate(dialog, g_hDialogInstance);
        if (run != nullptr) {
            FillLanguageDialog(dialog, *run->request->languages);
        }
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
            const Main::Language* language = ChosenLanguage(dialog);
            LogLine("language dialog: OK, ",
                    language != nullptr ? language->displayName.c_str() : L"");
            ShowWindow(dialog, SW_HIDE);
            // The hidden dialog owns any error box of the run.
            run->outcome = RunInstallation(*run->request, dialog, language);
            EndDialog(dialog, IDOK);
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
