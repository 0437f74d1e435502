// Whether a person sees the launcher's windows.
#include "ui/window_station.h"

bool IsStationVisible(HWINSTA station) {
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool IsWindowStationVisible() {
    return IsStationVisible(GetProcessWindowStation());
}
