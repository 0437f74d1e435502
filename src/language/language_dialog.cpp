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

const wchar_t* LocalisedPrompt(int primaryLanguage, int subLanguage) {
    switch (primaryLanguage) {
    case 4:
        return (subLanguage == 1 || subLanguage == 3 || subLanguage == 5)
                   ? L"\u9078\u64C7\u8A9E\u8A00:"
                   : nullptr;
    case 7:
        return L"Sprache ausw\u00E4hlen:";
    case 12:
        return L"Choisir la langue:";
    case 16:
        return L"Seleziona la lingua:";
    case 17:
        return L"\u8A00\u8A9E\u3092\u9078\u629E\u3059\u308B:";
    case 19:
        return L"Selecteer taal:";
    default:
        return nullptr;
    }
}

} // namespace

std::wstring ChooseLanguagePrompt(Main::LanguageList& list) {
    const int primary = list.uiLanguage & 0x3FF;
    const int sub = list.uiLanguage >> 10;
    bool listed = false;
    for (const Main::Language& language : list.languages) {
        if ((language.languageId & 0x3FF) == primary) {
            listed = true;
            break;
        }
    }
    if (listed && primary == 4) {
        // Simplified-script regions keep the English prompt and the build order.
        const wchar_t* prompt = LocalisedPrompt(primary, sub);
        return prompt != nullptr ? prompt : kEnglishPrompt;
    }
    if (listed) {
        if (const wchar_t* prompt = LocalisedPrompt(primary, sub)) {
            return prompt;
        }
    }
    // An English prompt goes with English at the top.
    list.MoveLanguageToFront(9);
    return kEnglishPrompt;
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
    SetWindowTextW(prompt, ChooseLanguagePrompt(g_languageList).c_str());
    for (const Main::Language& language : g_languageList.languages) {
        SendMessageW(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(language.displayName.c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

void InitLanguageDialog(HWND dialog) {
    g_hDialogInstance = g_hInstance;
    g_hDialog = dialog;

    HWND reference = GetParent(g_hDialog);
    if (reference == nullptr) {
        reference = GetDesktopWindow();
    }
    RECT referenceRect = {};
    RECT dialogRect = {};
    GetWindowRect(reference, &referenceRect);
    GetWindowRect(g_hDialog, &dialogRect);
    const POINT position = CentredPosition(referenceRect, dialogRect);
    SetWindowPos(g_hDialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE);

    if (g_hDialogInstance != nullptr && g_hDialog != nullptr) {
        const HANDLE smallIcon = LoadImageW(g_hDialogInstance, MAKEINTRESOURCEW(IDI_SETUP),
                                            IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
        const HANDLE bigIcon = LoadImageW(g_hDialogInstance, MAKEINTRESOURCEW(IDI_SETUP),
                                          IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
        if (smallIcon != nullptr && bigIcon != nullptr) {
            SendMessageW(g_hDialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
            SendMessageW(g_hDialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
        }
    }
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
