// The common-control classes, initialised without importing comctl32.
#pragma once

#include "base/system_library.h"

#include <windows.h>

#include <commctrl.h>

// Initialises the common-control classes (ICC_ values) through comctl32,
// loaded by name rather than imported: nothing loads it before the launcher
// has looked for a ".local" beside it, and by name the manifest's version 6
// is the one that comes. Without comctl32, the controls stay as the system
// has them.
struct CommonControlsFunctions {
    decltype(&InitCommonControlsEx) initCommonControlsEx;

    alignas(1) static constexpr char kNames[] = "InitCommonControlsEx\0";
};

inline void InitialiseCommonControls(DWORD classes) {
    SystemLibrary<CommonControlsFunctions> comctl32([]() { return LoadLibraryW(L"comctl32.dll"); });
    if (comctl32.Functions() != nullptr) {
        const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), classes};
        comctl32.Functions()->initCommonControlsEx(&controls);
    }
}
