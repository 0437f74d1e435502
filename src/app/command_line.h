// The launcher's arguments, split as msiexec.exe splits its own, and its switches.
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

// The launcher's argument text, as typed, split once for every reader.
struct LauncherArguments {
    LauncherArguments() = default;
    // Not explicit: a text is its arguments.
    LauncherArguments(const std::wstring& typed);
    LauncherArguments(const wchar_t* typed) : LauncherArguments(std::wstring(typed)) {}

    std::wstring text;
    std::vector<Argument> split;
    // The text ends inside quotes: whatever were appended would become part
    // of its last argument.
    bool quoteLeftOpen = false;
};

// Splits the argument text (the command line without the program name) as
// msiexec.exe splits its own, since every argument goes on to it: blanks
// (spaces, tabs) separate arguments outside quotes, a quote opens or closes
// quoting, a backslash is a character like any other (the quote of
// INSTALLDIR="C:\Vendor\" closes after the backslash), and inside quotes
// two quotes in a row are one quote of the text. With quoteLeftOpen, whether the text ends inside
// quotes.
std::vector<Argument> SplitArguments(const std::wstring& commandLine,
                                     bool* quoteLeftOpen = nullptr);

// An ASCII letter in lower case, as switches compare; anything else as it is.
wchar_t FoldCase(wchar_t character);

// Whether text begins with prefix, in any case, as msiexec.exe reads its
// switches (which are ASCII).
bool StartsWith(const std::wstring& text, const wchar_t* prefix);

// Whether argument is the switch, whole, in any case.
bool IsSwitch(const std::wstring& argument, const wchar_t* name);

// "/uninstall", "-uninstall", "/x" or "-x".
bool IsUninstallSwitch(const std::wstring& argument);

// "/passive" or "-passive".
bool IsPassiveSwitch(const std::wstring& argument);

// "/?" or "-?".
bool IsHelpSwitch(const std::wstring& argument);

// An argument that msiexec.exe reads as its log switch: "/l…", "-l…"
// ("/log" too).
bool IsLogSwitch(const std::wstring& argument);

// The quiet family, "/q" or "-q" and all that begins so ("/qn", "/qb-!",
// "/quiet", "/qf"): the installer's user-interface level.
bool IsQuietSwitch(const std::wstring& argument);

// "/qf…" or "-qf…": the installer's full interface.
bool IsFullInterfaceSwitch(const std::wstring& argument);
