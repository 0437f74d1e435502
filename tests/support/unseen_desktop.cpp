// A window station and desktop that nobody sees, for the runs that no user could answer.
#include "unseen_desktop.h"

UnseenDesktop::UnseenDesktop() {
    const std::wstring station = L"SetupTestUnseen" + std::to_wstring(GetCurrentProcessId());
    station_ = CreateWindowStationW(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    const HWINSTA own = GetProcessWindowStation();
    // A desktop is made in the process's own window station.
    if (station_ == nullptr || !SetProcessWindowStation(station_)) {
        return;
    }
    desktop_ = CreateDesktopW(L"Unseen", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    if (desktop_ != nullptr) {
        name_ = station + L"\\Unseen";
    }
}

UnseenDesktop::~UnseenDesktop() {
    if (desktop_ != nullptr) {
        CloseDesktop(desktop_);
    }
    if (station_ != nullptr) {
        CloseWindowStation(station_);
    }
}
