// How long the tests wait for what they cannot make happen at once: every limit here.
#pragma once

// The limits are generous for a slow machine (32-bit code through an
// emulator): each is at least three times the longest wait seen for it in
// full runs through qemu; scripts/test-waits.sh lists the last run's waits
// beside their limits, to tune them from.
#include <windows.h>

// The pause between two looks at a condition.
constexpr DWORD kPollPauseMs = 50;

// A window of the program under test answers a message or a key.
constexpr DWORD kAnswerMs = 30000;
// A key press shows (the window closes or hides) before it is pressed again.
constexpr DWORD kKeyPressMs = 2000;
// The progress bar moves while a slow staging runs.
constexpr DWORD kProgressMovesMs = 5000;

// Setup.exe with the stand-in installer, or another program of the tests, ends
// (the slowest seen: a progress run staging 1.5 GB, 35 s through qemu beside
// the launcher builds).
constexpr DWORD kRunMs = 120000;
// Setup.exe ends where no window of its may be answered: in a station that
// nobody sees, or stopped before it shows one.
constexpr DWORD kUnansweredRunMs = 30000;
// Wine's own msiexec.exe ends.
constexpr DWORD kRealInstallerMs = 120000;
// Setup.exe with Wine's own msiexec.exe ends.
constexpr DWORD kRealInstallerRunMs = 180000;
// A process that was terminated is gone.
constexpr DWORD kTerminatedMs = 5000;

// The stand-in installer's record is written, whole.
constexpr DWORD kRecordMs = 15000;
// The stand-in installer waits for the test's go (SETUP_TEST_WAIT_FILE).
constexpr DWORD kProceedMs = 30000;
// What a host (Unix) program did shows in Wine.
constexpr DWORD kHostProgramMs = 5000;

// The demonstration: its language dialog appears, in a prefix that may boot
// first; its caller photographs it before the probe answers.
constexpr DWORD kDemoDialogMs = 60000;
constexpr DWORD kDemoPictureMs = 30000;
