// The frame of the launcher's windows: centred, with the launcher's icon.
#pragma once

#include "base/unique_handle.h"

#include <windows.h>

// The top-left corner that centres a window, now at the rectangle window, on
// the reference rectangle; only the window's size counts.
POINT CentredPosition(const RECT& reference, const RECT& window);

// Centres the dialog on its parent, or on the screen when it has none, and
// gives it the launcher's icon from module (none unless both sizes load).
void CentreAndDecorate(HWND dialog, HINSTANCE module);

// Takes the icons that CentreAndDecorate gave the window back and releases
// them; for its WM_DESTROY, when it stops showing them.
void ReleaseIcons(HWND window);
