// The window that shows a slow staging's progress and lets it be cancelled.
#include "ui/progress_window.h"
#include "res/resource.h"
#include "ui/common_controls.h"

#include <commctrl.h>

namespace {

// Peers wait as long before they show theirs: a quick staging shows nothing.
const ULONGLONG kDelayMs = 500;
const int kBarRange = 1000;

} // namespace

ProgressWindow::ProgressWindow(HINSTANCE module, HWND owner, ProgressTexts texts,
                               unsigned long long totalBytes, SessionEndHandler& sessionEnd)
    : module_(module), owner_(owner), texts_(texts), sessionEnd_(sessionEnd), total_(totalBytes),
      started_(GetTickCount64()) {}

ProgressWindow::~ProgressWindow() {
    Close();
}

void ProgressWindow::Close() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
        window_ = nullptr;
    }
}

bool ProgressWindow::Advance(unsigned long long bytes) {
    done_ += bytes;
    if (!shown_ && GetTickCount64() - started_ > kDelayMs) {
        Show();
    }
    if (window_ == nullptr) {
        return !cancelled_;
    }
    // Scaled down until the product fits 32 bits, so that no 64-bit division
    // (and the runtime's helper for it) is needed.
    unsigned long long reached = done_ < total_ ? done_ : total_;
    unsigned long long total = total_;
    while (total >= (1u << 22)) {
        reached >>= 1;
        total >>= 1;
    }
    SendMessageW(
        bar_, PBM_SETPOS,
        total == 0 ? 0 : static_cast<unsigned>(reached) * kBarRange / static_cast<unsigned>(total),
        0);
    // Its own messages only (and those sent to the thread, which any peek
    // answers): a command posted to the hidden language dialog must not
    // start another run inside this one.
    MSG message;
    while (PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return !cancelled_;
}

// Without a window the staging goes on, unseen.
void ProgressWindow::Show() {
    shown_ = true;
    // Before the dialog's own controls are made: a quiet run that shows no
    // window never loads them.
    InitialiseCommonControls(ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS);
    window_ = CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_LANGUAGE), owner_, Procedure,
                                 reinterpret_cast<LPARAM>(this));
    if (window_ != nullptr) {
        SetForegroundWindow(window_);
    }
}

INT_PTR CALLBACK ProgressWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* self = reinterpret_cast<ProgressWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        CentreAndDecorate(window, self->module_);
        // The language list's place takes the bar; its button becomes Cancel.
        const HWND list = GetDlgItem(window, IDC_LANGUAGE_COMBO);
        RECT place = {};
        GetWindowRect(list, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        ShowWindow(list, SW_HIDE);
        self->bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, place.left,
                                     place.top, place.right - place.left, place.bottom - place.top,
                                     window, nullptr, self->module_, nullptr);
        SendMessageW(self->bar_, PBM_SETRANGE32, 0, kBarRange);
        SetDlgItemTextW(window, IDC_LANGUAGE_PROMPT, self->texts_.text);
        SetDlgItemTextW(window, IDOK, self->texts_.cancel);
        SetFocus(GetDlgItem(window, IDOK));
        return FALSE;
    }
    case WM_DESTROY:
        ReleaseIcons(window);
        return FALSE;
    case WM_ENDSESSION:
        if (wParam) {
            reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, DWLP_USER))
                ->sessionEnd_.SessionEnds();
        }
        return TRUE;
    case WM_COMMAND:
        // The one button, Esc and the close box all cancel.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, DWLP_USER))->cancelled_ =
                true;
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
