// A window station and desktop that nobody sees, for the runs that no user could answer.
#pragma once

#include <windows.h>

#include <string>

// A window station and desktop of their own, as the ones that deployment
// systems run their jobs in; a message box there waits until the process is
// ended.
class UnseenDesktop {
  public:
    UnseenDesktop();
    UnseenDesktop(const UnseenDesktop&) = delete;
    UnseenDesktop& operator=(const UnseenDesktop&) = delete;
    ~UnseenDesktop();
    // For RunOptions::desktop; empty when it could not be made.
    const std::wstring& Name() const {
        return name_;
    }

  private:
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
    std::wstring name_;
};
