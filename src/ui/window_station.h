// Whether a person sees the launcher's windows.
#pragma once

#include <windows.h>

// Whether the window station is one that a person sees; true when it cannot
// be told. Deployment systems run their jobs in one that is not.
bool IsStationVisible(HWINSTA station);

// IsStationVisible for the process's own window station.
bool IsWindowStationVisible();
