// Whether the language dialog is wanted, whether the run is attended, and whether the installer
// shows itself.
#pragma once

#include "app/command_line.h"

enum class LaunchMode { Interactive, Direct };

// An installed product always runs directly; otherwise the msiexec-style
// user-interface switches decide whether the language dialog is wanted. A
// switch is a whole argument, never text inside another one, in any case.
LaunchMode ChooseLaunchMode(bool productInstalled, const LauncherArguments& arguments);

// Whether the switches ask for a run without a person: a quiet switch
// (other than the full interface "/qf…") or "/passive" that does without
// the language dialog. Such a run shows no box and tells its outcome by the
// exit code alone.
bool SwitchesAskForNoPerson(const LauncherArguments& arguments);

// Whether the installer will show a user interface of its own, by the last
// of the user-interface switches: none means its full interface, "/passive",
// "/qb…" and "/qr…" a smaller one, "/q", "/qn…" and "/quiet" none at all.
bool InstallerShowsInterface(const LauncherArguments& arguments);

// Whether the installer may wait for a person to answer it, by the last of
// the user-interface switches: its full interface (none, or "/qf…"), the
// reduced one ("/qr…"), the basic one with its boxes ("/qb…" without "-"),
// a box at the end ("/qn+"); or its help box ("/?", "-?"). "/passive",
// "/qb-…", "/q", "/qn" and "/quiet" run by themselves.
bool InstallerNeedsAPerson(const LauncherArguments& arguments);

// Whether a person attends the run: someone sees the station, and the
// switches do not ask for a run without a person. Only then does a box tell
// a failure.
bool IsAttended(bool stationSeen, const LauncherArguments& arguments);

// Whether the run would wait for an answer that nobody can give: the
// language dialog, or an installer that may wait for a person, where nobody
// sees the station. Neither is started then.
bool WouldWaitUnseen(bool stationSeen, LaunchMode mode, const LauncherArguments& arguments);

// Whether the progress window may show: someone sees the station, and the
// installer will show an interface of its own, so that a person waits for it.
bool MayShowProgress(bool stationSeen, const LauncherArguments& arguments);
