// The common-control classes, initialised without importing comctl32.
#pragma once

#include <windows.h>

#include <commctrl.h>

// Initialises the common-control classes (ICC_ values) through comctl32,
// loaded by name rather than imported: nothing loads it before the launcher
// has looked for a ".local" beside it, and by name the manifest's version 6
// is the one that comes. Without comctl32, the controls stay as the system
// has them.
inline void InitialiseCommonControls(DWORD classes) {
    const HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
    const auto initCommonControlsEx =
        comctl32 == nullptr
            ? nullptr
            : reinterpret_cast<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(
                  reinterpret_cast<void*>(GetProcAddress(comctl32, "InitCommonControlsEx")));
    if (initCommonControlsEx != nullptr) {
        const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), classes};
        initCommonControlsEx(&controls);
    }
}
