// Waits for a condition within a limit, each wait measured and logged.
#pragma once

// Without GoogleTest: the stand-in installer waits through it too. Where the
// environment variable SETUP_TEST_WAITS names a file (a Windows path), each
// wait appends a line "<what>\t<waited ms>\t<limit ms>\t<came true: 1|0>" to
// it; scripts/test-waits.sh reads them.
#include "time_limits.h"

#include <windows.h>

#include <functional>
#include <string>

// Checks condition until it holds or limitMs have passed, pausing pauseMs
// between checks (the first check at once, one more after the limit);
// whether it came true. what names the step in the waits file.
bool PollUntil(const std::string& what, DWORD limitMs, const std::function<bool()>& condition,
               DWORD pauseMs = kPollPauseMs);

// Waits for a handle (a process's end) within limitMs; whether it came.
bool WaitForObject(const std::string& what, HANDLE object, DWORD limitMs);

// Appends a wait's line to the waits file, if there is one.
void LogWait(const std::string& what, ULONGLONG waitedMs, DWORD limitMs, bool cameTrue);
