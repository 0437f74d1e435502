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

bool InstallerShowsInterface(const std::wstring& commandLine) {
    bool shows = true;
    for (const Argument& argument : SplitArguments(commandLine)) {
        const std::wstring& text = argument.text;
        if (IsPassiveSwitch(text)) {
            shows = true;
        } else if (IsQuietSwitch(text)) {
            const wchar_t level = text.size() > 2 ? text[2] : L'n';
            shows = level == L'b' || level == L'r' || level == L'f';
        }
    }
    return shows;
}
