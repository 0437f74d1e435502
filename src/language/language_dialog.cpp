#include "language/language_dialog.h"
#include "app/globals.h"
#include "app/installation.h"
#include "language/language_list.h"
#include "res/resource.h"

HINSTANCE g_hDialogInstance = nullptr;
HWND g_hDialog = nullptr;
RunOutcome g_dialogRun;

namespace {

const wchar_t kEnglishPrompt[] = L"Select language:";

// The prompt in the UI language, or null when there is none for it.
const wchar_t* LocalisedPrompt(LANGID uiLanguage) {
    switch (PRIMARYLANGID(uiLanguage)) {
    case LANG_CHINESE:
        // "選擇語言:", for the regions that read the traditional script
        return Main::ReadsTraditionalChinese(uiLanguage) ? L"\u9078\u64C7\u8A9E\u8A00:" : nullptr;
    case LANG_GERMAN:
        return L"Sprache ausw\u00E4hlen:"; // "Sprache auswählen:"
    case LANG_FRENCH:
        return L"Choisir la langue:";
    case LANG_ITALIAN:
        return L"Seleziona la lingua:";
    case LANG_JAPANESE:
        return L"\u8A00\u8A9E\u3092\u9078\u629E\u3059\u308B:"; // "言語を選択する:"
    case LANG_DUTCH:
        return L"Selecteer taal:";
    default:
        return nullptr;
    }
}

} // namespace

LanguagePrompt ChooseLanguagePrompt(LANGID uiLanguage, const std::list<Main::Language>& languages) {
    bool listed = false;
    for (const Main::Language& language : languages) {
        listed = listed || PRIMARYLANGID(language.languageId) == PRIMARYLANGID(uiLanguage);
    }
    if (listed) {
        if (const wchar_t* prompt = LocalisedPrompt(uiLanguage)) {
            return LanguagePrompt{prompt, false};
        }
        // Chinese in a simplified-script region: the list keeps its build order.
        if (PRIMARYLANGID(uiLanguage) == LANG_CHINESE) {
            return LanguagePrompt{kEnglishPrompt, false};
        }
    }
    return LanguagePrompt{kEnglishPrompt, true};
}

POINT CentredPosition(const RECT& reference, const RECT& window) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG referenceWidth = reference.right - reference.left;
    const LONG referenceHeight = reference.bottom - reference.top;
    // Signed halving: a dialog larger than its reference gets a negative offset.
    return POINT{reference.left + (referenceWidth - width) / 2,
                 reference.top + (referenceHeight - height) / 2};
}

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

void CentreAndDecorate(HWND dialog, HINSTANCE module) {
    HWND reference = GetParent(dialog);
    if (reference == nullptr) {
        reference = GetDesktopWindow();
    }
    RECT referenceRect = {};
    RECT dialogRect = {};
    GetWindowRect(reference, &referenceRect);
    GetWindowRect(dialog, &dialogRect);
    const POINT position = CentredPosition(referenceRect, dialogRect);
    SetWindowPos(dialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE);

    if (module != nullptr && dialog != nullptr) {
        const HANDLE smallIcon = LoadImageW(module, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
        const HANDLE bigIcon =
            LoadImageW(module, MAKEINTRESOURCEW(IDI_SETUP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
        if (smallIcon != nullptr && bigIcon != nullptr) {
            SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
            SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
        }
    }
}

void InitLanguageDialog(HWND dialog) {
    g_hDialogInstance = g_hInstance;
    g_hDialog = dialog;
    CentreAndDecorate(g_hDialog, g_hDialogInstance);
    FillLanguageDialog();
}

INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitLanguageDialog(dialog);
        if (GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) == IDC_LANGUAGE_COMBO) {
            return TRUE;
        }
        SetFocus(GetDlgItem(dialog, IDC_LANGUAGE_COMBO));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            wchar_t chosen[64] = {};
            GetDlgItemTextW(g_hDialog, IDC_LANGUAGE_COMBO, chosen, 64);
            ShowWindow(g_hDialog, SW_HIDE);
            // The hidden dialog owns any error box of the run.
            g_dialogRun = RunInstallation(g_hDialogInstance, g_hDialog, std::wstring(chosen));
            EndDialog(g_hDialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
