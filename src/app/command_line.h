// The launcher's arguments, split as Windows programs split theirs, and its switches.
#pragma once

#include <string>
#include <vector>

// One argument of the launcher's command line: its text with the quoting
// taken away, and the characters it takes up in the command line, quotes
// included (from begin up to end).
struct Argument {
    std::wstring text;
    size_t begin;
    size_t end;
};

// Splits the argument text (the command line without the program name) as
// Windows programs split theirs, by the rules of CommandLineToArgvW: blanks
// separate arguments outside quotes, a quote toggles quoting, backslashes
// count only before a quote, and three quotes in a row stand for one.
std::vector<Argument> SplitArguments(const std::wstring& commandLine);

// Whether text begins with prefix, case-sensitively, as switches are read.
bool StartsWith(const std::wstring& text, const wchar_t* prefix);

// "/uninstall", "-uninstall", "/x" or "-x", exactly.
bool IsUninstallSwitch(const std::wstring& argument);

// "/passive" or "-passive", exactly.
bool IsPassiveSwitch(const std::wstring& argument);

// An argument that msiexec.exe reads as its log switch: "/l…", "-l…"
// ("/log" too), in any case, as msiexec.exe reads its switches.
bool IsLogSwitch(const std::wstring& argument);

// The quiet family, "/q" or "-q" and all that begins so ("/qn", "/qb-!",
// "/quiet", "/qf"): the installer's user-interface level.
bool IsQuietSwitch(const std::wstring& argument);
