// Whether a person sees the launcher's windows.
#include "ui/window_station.h"
#include "base/system_library.h"

#include <wtsapi32.h>

namespace {

// The session functions of wtsapi32.dll, which only a run that looks
// further needs.
struct SessionFunctions {
    decltype(&WTSQuerySessionInformationW) query;
    decltype(&WTSFreeMemory) release;

    alignas(1) static constexpr char kNames[] = "WTSQuerySessionInformationW\0WTSFreeMemory\0";
};

} // namespace

bool IsStationVisible(HWINSTA station) {
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

StationSight JudgeStation(const StationFacts& facts) {
    if (!facts.visibleFlag) {
        return StationSight::FlagOff;
    }
    if (facts.sessionKnown && facts.sessionId == 0) {
        return StationSight::SessionZero;
    }
    if (facts.connectStateKnown && !facts.connectActive) {
        return StationSight::NotConnected;
    }
    return StationSight::Seen;
}

const char* StationSightText(StationSight sight) {
    switch (sight) {
    case StationSight::FlagOff:
        return "station: unseen, not visible";
    case StationSight::SessionZero:
        return "station: unseen, session 0";
    case StationSight::NotConnected:
        return "station: unseen, disconnected";
    default:
        return "station: visible";
    }
}

StationFacts ReadStationFacts() {
    StationFacts facts;
    facts.visibleFlag = IsStationVisible(GetProcessWindowStation());
    facts.sessionKnown = ProcessIdToSessionId(GetCurrentProcessId(), &facts.sessionId) != FALSE;
    if (JudgeStation(facts) != StationSight::Seen) {
        return facts;
    }
    SystemLibrary<SessionFunctions> wtsapi32([]() { return LoadSystemLibrary(L"wtsapi32.dll"); });
    const SessionFunctions* const wts = wtsapi32.Functions();
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (wts != nullptr && wts->query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
                                     WTSConnectState, &buffer, &bytes)) {
        if (buffer != nullptr && bytes >= sizeof(INT)) {
            facts.connectStateKnown = true;
            facts.connectActive = *reinterpret_cast<const INT*>(buffer) == WTSActive;
        }
        wts->release(buffer);
    }
    return facts;
}
