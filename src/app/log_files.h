// The administrators' record of a run: the launcher's log, and the installer's beside it.
#pragma once

#include <windows.h>

#include <string>

// How many names the logs try ("<name>.log", "<name>_2.log", ...) before a
// run goes without one.
constexpr int kLogAttempts = 16;

// The logs' name for a package and the local time of the start, before the
// attempt's suffix: "<package>_Setup_<yyyyMMddHHmmss>".
std::wstring LogName(const std::wstring& packageName, const SYSTEMTIME& start);

// The attempt-th (from 1) name of the launcher's log: "<name>.log", then
// "<name>_2.log" and so on.
std::wstring LogFileName(const std::wstring& name, int attempt);

// Starts the run's log (base/run_log.h) in the Windows folder's Temp for an
// elevated token, SYSTEM's included, and in TMP for one that is not: made
// new (never a name that exists, never through a link), for administrators
// only (and the user whose token is not elevated), with no inheritable
// handle. Without a log, nothing else changes.
void StartLogs(HINSTANCE module, const std::wstring& commandLine);

// Makes the installer's log beside the launcher's, as the launcher's is
// made: its path, or empty when there is no launcher's log or it cannot be
// made.
std::wstring CreateInstallerLog();
