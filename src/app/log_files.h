// The administrators' record of a run: the launcher's log, and the installer's beside it.
#pragma once

#include "base/unique_handle.h"
#include "staging/places.h"

#include <windows.h>

#include <string>

// How many names a log tries, each with a part drawn anew, before the run
// goes without it.
constexpr int kLogAttempts = 16;

// The logs' name for a package and the local time of the start, before the
// attempt's suffix: "<package>_Setup_<yyyyMMddHHmmss>".
std::wstring LogName(const std::wstring& packageName, const SYSTEMTIME& start);

// The log's name with a part that nobody can predict: "<name>_" and the
// drawn value as sixteen hexadecimal digits, before the log's ending.
std::wstring DrawnLogName(const std::wstring& name, unsigned long long drawnValue);

// Creates "<DrawnLogName><ending>" new with the security (SDDL), as the
// logs are made, with a value from draw, and another draw for a name that is
// taken; path receives the file's path. Invalid when every attempt failed.
FileHandle CreateDrawnLogFile(const std::wstring& name, const wchar_t* ending,
                              const std::wstring& security,
                              bool (*draw)(unsigned long long& value), std::wstring& path);

// The logs of a run: the launcher's, and the installer's beside it.
class RunLogs {
  public:
    // Starts the run's log (base/run_log.h) in the Windows folder's Temp for
    // an elevated token, SYSTEM's included, and in TMP for one that is not:
    // made new (never a name that exists, never through a link), for
    // administrators only (and the user whose token is not elevated), with
    // no inheritable handle; named after packageName. Without a log,
    // nothing else changes.
    void Start(HINSTANCE module, const std::wstring& commandLine, const std::wstring& packageName,
               const TokenFacts& token);

    // Makes the installer's log beside the launcher's, as the launcher's is
    // made: its path, or empty when there is no launcher's log or it cannot
    // be made.
    std::wstring CreateInstallerLog() const;

  private:
    // The launcher's log's path without ".log".
    std::wstring name_;
    // The access list of both, as SDDL.
    std::wstring security_;
};
