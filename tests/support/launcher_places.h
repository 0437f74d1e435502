// Where the launcher stages in the prefix, and what it leaves there for the restart.
#pragma once

#include <string>
#include <vector>

namespace testfs {

// The prefix's temporary directory with a trailing backslash, as it was when
// the program started, before any test pointed TMP elsewhere.
std::wstring TempDirectory();
// Where an elevated launcher that is not SYSTEM stages: the Windows folder's
// Temp, with a trailing backslash.
std::wstring WindowsTemp();
// The names of the staging folders ("QLNxxxx") in folder, sorted.
std::vector<std::wstring> StagingFolders(const std::wstring& folder);
// The launcher's logs in folder ("<package>_Setup_<time>….log", the
// installer's "…_msi.log" among them), sorted.
std::vector<std::wstring> LauncherLogs(const std::wstring& folder);
// The paths under folder (with trailing backslash) that are scheduled for
// deletion at the next restart, in the order Windows would take them; they
// are taken off the schedule, entries for other paths stay.
std::vector<std::wstring> TakeRemovalsAtRestart(const std::wstring& folder);

} // namespace testfs
