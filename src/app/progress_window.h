#pragma once

#include "staging/staging.h"

#include <windows.h>

// The text of the progress window and of its button, in the language of
// the installation, or else of the user interface: Japanese or English.
struct ProgressTexts {
    const wchar_t* text;
    const wchar_t* cancel;
};
ProgressTexts ChooseProgressTexts(LANGID language);

// A small window that shows how far staging has come, once it has taken
// more than half a second, so that a slow medium is not taken for a hang;
// its Cancel (or Esc, or the close box) stops the staging. It is made from
// the language dialog's template, so that it looks the same. The staging
// runs in the caller's thread, which pumps the window's messages whenever it
// reports progress.
class ProgressWindow : public StagingProgress {
  public:
    // totalBytes: what the whole staging will report.
    ProgressWindow(HINSTANCE module, HWND owner, ProgressTexts texts,
                   unsigned long long totalBytes);
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
    unsigned long long total_;
    unsigned long long done_ = 0;
    ULONGLONG started_;
    HWND window_ = nullptr;
    HWND bar_ = nullptr;
    bool shown_ = false;
    bool cancelled_ = false;
};
