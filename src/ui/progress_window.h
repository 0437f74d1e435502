// The window that shows a slow staging's progress and lets it be cancelled.
#pragma once

#include "language/language_list.h"
#include "staging/progress.h"
#include "ui/dialog_frame.h"
#include "ui/session_end.h"

#include <windows.h>

// A small window that shows how far staging has come, once it has taken
// more than half a second, so that a slow medium is not taken for a hang;
// its Cancel (or Esc, or the close box) stops the staging. It is made from
// the language dialog's template, so that it looks the same. The staging
// runs in the caller's thread, which pumps the window's messages whenever it
// reports progress.
class ProgressWindow : public StagingProgress {
  public:
    // totalBytes: what the whole staging will report; sessionEnd: told when
    // the session ends while the window shows.
    ProgressWindow(HINSTANCE module, HWND owner, ProgressTexts texts, unsigned long long totalBytes,
                   SessionEndHandler& sessionEnd);
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow();

    bool Advance(unsigned long long bytes) override;
    bool Cancelled() const {
        return cancelled_;
    }
    // Closes the window, before the installer shows its own.
    void Close();

  private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Show();

    HINSTANCE module_;
    HWND owner_;
    ProgressTexts texts_;
    SessionEndHandler& sessionEnd_;
    unsigned long long total_;
    unsigned long long done_ = 0;
    ULONGLONG started_;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
    bool shown_ = false;
    bool cancelled_ = false;
};
