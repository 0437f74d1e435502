// Whether the language dialog is wanted, and whether the installer shows itself.
#include "app/launch_mode.h"
#include "app/command_line.h"

LaunchMode ChooseLaunchMode(bool productInstalled, const std::wstring& commandLine) {
    if (productInstalled) {
        return LaunchMode::Direct;
    }
    bool quiet = false;
    bool fullInterface = false;
    bool direct = false;
    for (const Argument& argument : SplitArguments(commandLine)) {
        const std::wstring& text = argument.text;
        // Of the quiet family, "/qf" asks for the full interface.
        quiet = quiet || IsQuietSwitch(text);
        fullInterface = fullInterface || StartsWith(text, L"/qf") || StartsWith(text, L"-qf");
        direct = direct || IsPassiveSwitch(text) || text == L"/?" || text == L"-?";
    }
    if (quiet) {
        return fullInterface ? LaunchMode::Interactive : LaunchMode::Direct;
    }
    return direct ? LaunchMode::Direct : LaunchMode::Interactive;
}

namespace {

// The last of the user-interface switches ("/passive" or one of the quiet
// family), or empty when there is none.
std::wstring LastInterfaceSwitch(const std::wstring& commandLine) {
    std::wstring last;
    for (const Argument& argument : SplitArguments(commandLine)) {
        if (IsPassiveSwitch(argument.text) || IsQuietSwitch(argument.text)) {
            last = argument.text;
        }
    }
    return last;
}

// The quiet switch's level: its third letter ('n' for "/q" alone).
wchar_t QuietLevel(const std::wstring& quietSwitch) {
    return quietSwitch.size() > 2 ? quietSwitch[2] : L'n';
}

} // namespace

bool InstallerShowsInterface(const std::wstring& commandLine) {
    const std::wstring last = LastInterfaceSwitch(commandLine);
    if (last.empty() || IsPassiveSwitch(last)) {
        return true;
    }
    const wchar_t level = QuietLevel(last);
    return level == L'b' || level == L'r' || level == L'f';
}

bool InstallerNeedsAPerson(const std::wstring& commandLine) {
    for (const Argument& argument : SplitArguments(commandLine)) {
        if (argument.text == L"/?" || argument.text == L"-?") {
            return true;
        }
    }
    const std::wstring last = LastInterfaceSwitch(commandLine);
    if (last.empty()) {
        return true;
    }
    if (IsPassiveSwitch(last)) {
        return false;
    }
    switch (QuietLevel(last)) {
    case L'f':
    case L'r':
        return true;
    case L'b':
        // "-" leaves the basic interface its progress alone, without a box.
        return last.find(L'-', 2) == std::wstring::npos;
    case L'n':
        // "+" adds a box at the end.
        return last.find(L'+') != std::wstring::npos;
    default:
        return false;
    }
}
