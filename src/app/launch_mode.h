// Whether the language dialog is wanted, and whether the installer shows itself.
#pragma once

#include <string>

enum class LaunchMode { Interactive, Direct };

// An installed product always runs directly; otherwise the msiexec-style
// user-interface switches decide whether the language dialog is wanted. A
// switch is a whole argument, never text inside another one.
LaunchMode ChooseLaunchMode(bool productInstalled, const std::wstring& commandLine);

// Whether the installer will show a user interface of its own, by the last
// of the user-interface switches: none means its full interface, "/passive",
// "/qb…" and "/qr…" a smaller one, "/q", "/qn…" and "/quiet" none at all.
bool InstallerShowsInterface(const std::wstring& commandLine);

// Whether the installer may wait for a person to answer it, by the last of
// the user-interface switches: its full interface (none, or "/qf…"), the
// reduced one ("/qr…"), the basic one with its boxes ("/qb…" without "-"),
// a box at the end ("/qn+"); or its help box ("/?", "-?"). "/passive",
// "/qb-…", "/q", "/qn" and "/quiet" run by themselves.
bool InstallerNeedsAPerson(const std::wstring& commandLine);
