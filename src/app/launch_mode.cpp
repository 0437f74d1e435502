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

// The installer's user-interface level by the last switch that sets it:
// 'f' (full) without one, 'p' for "/passive", else the quiet switch's letter
// ('n' for "/q" alone).
wchar_t InterfaceLevel(const std::wstring& commandLine) {
    wchar_t level = L'f';
    for (const Argument& argument : SplitArguments(commandLine)) {
        const std::wstring& text = argument.text;
        if (IsPassiveSwitch(text)) {
            level = L'p';
        } else if (IsQuietSwitch(text)) {
            level = text.size() > 2 ? text[2] : L'n';
        }
    }
    return level;
}

} // namespace

bool InstallerShowsInterface(const std::wstring& commandLine) {
    const wchar_t level = InterfaceLevel(commandLine);
    return level == L'p' || level == L'b' || level == L'r' || level == L'f';
}

bool InstallerNeedsAPerson(const std::wstring& commandLine) {
    for (const Argument& argument : SplitArguments(commandLine)) {
        if (argument.text == L"/?" || argument.text == L"-?") {
            return true;
        }
    }
    return InterfaceLevel(commandLine) == L'f';
}
