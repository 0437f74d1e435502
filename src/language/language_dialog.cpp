#include "language/language_dialog.h"

// The dialog's template and behaviour arrive with the language dialog; until
// then the executable has no template and the dialog never opens.
INT_PTR CALLBACK LanguageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)dialog;
    (void)wParam;
    (void)lParam;
    (void)message;
    return FALSE;
}
