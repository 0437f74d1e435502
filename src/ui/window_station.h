// Whether a person sees the launcher's windows.
#pragma once

#include <windows.h>

// Whether the window station is one that a person sees; true when it cannot
// be told. Deployment systems run their jobs in one that is not.
bool IsStationVisible(HWINSTA station);

// What tells whether anyone sees the process's windows: the window
// station's flag (true when it cannot be read), the session (session 0
// holds services, which show no desktop to anyone) and whether the session
// is connected to a display. Unknown facts count as seen.
struct StationFacts {
    bool visibleFlag = true;
    bool sessionKnown = false;
    DWORD sessionId = 0;
    bool connectStateKnown = false;
    bool connectActive = true; // WTSActive
};

enum class StationSight { Seen, FlagOff, SessionZero, NotConnected };

// Which fact decides, the first of flag, session and connection that says
// nobody sees the station, or Seen.
StationSight JudgeStation(const StationFacts& facts);

// What the log says of it.
const char* StationSightText(StationSight sight);

// The facts of the process's own station; the session's connection is asked
// of wtsapi32 (from the system folder) only when the others say seen.
StationFacts ReadStationFacts();
