// Whether the language dialog is wanted, whether the run is attended, and whether the installer
// shows itself.
#include "app/launch_mode.h"

namespace {

LaunchMode ModeBySwitches(const LauncherArguments& arguments) {
    bool quiet = false;
    bool fullInterface = false;
    bool direct = false;
    for (const Argument& argument : arguments.split) {
        const std::wstring& text = argument.text;
        // Of the quiet family, "/qf" asks for the full interface.
        quiet = quiet || IsQuietSwitch(text);
        fullInterface = fullInterface || IsFullInterfaceSwitch(text);
        direct = direct || IsPassiveSwitch(text) || IsHelpSwitch(text);
    }
    if (quiet) {
        return fullInterface ? LaunchMode::Interactive : LaunchMode::Direct;
    }
    return direct ? LaunchMode::Direct : LaunchMode::Interactive;
}

// The last of the user-interface switches ("/passive" or one of the quiet
// family), or empty when there is none.
std::wstring LastInterfaceSwitch(const LauncherArguments& arguments) {
    std::wstring last;
    for (const Argument& argument : arguments.split) {
        if (IsPassiveSwitch(argument.text) || IsQuietSwitch(argument.text)) {
            last = argument.text;
        }
    }
    return last;
}

// The quiet switch's level: its third letter ('n' for "/q" alone), in lower
// case.
wchar_t QuietLevel(const std::wstring& quietSwitch) {
    return quietSwitch.size() > 2 ? FoldCase(quietSwitch[2]) : L'n';
}

} // namespace

LaunchMode ChooseLaunchMode(bool productInstalled, const LauncherArguments& arguments) {
    return productInstalled ? LaunchMode::Direct : ModeBySwitches(arguments);
}

bool SwitchesAskForNoPerson(const LauncherArguments& arguments) {
    if (ModeBySwitches(arguments) == LaunchMode::Interactive) {
        return false;
    }
    for (const Argument& argument : arguments.split) {
        if (IsQuietSwitch(argument.text) || IsPassiveSwitch(argument.text)) {
            return true;
        }
    }
    return false;
}

bool InstallerShowsInterface(const LauncherArguments& arguments) {
    const std::wstring last = LastInterfaceSwitch(arguments);
    if (last.empty() || IsPassiveSwitch(last)) {
        return true;
    }
    const wchar_t level = QuietLevel(last);
    return level == L'b' || level == L'r' || level == L'f';
}

bool InstallerNeedsAPerson(const LauncherArguments& arguments) {
    for (const Argument& argument : arguments.split) {
        if (IsHelpSwitch(argument.text)) {
            return true;
        }
    }
    const std::wstring last = LastInterfaceSwitch(arguments);
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

bool IsAttended(bool stationSeen, const LauncherArguments& arguments) {
    return stationSeen && !SwitchesAskForNoPerson(arguments);
}

bool WouldWaitUnseen(bool stationSeen, LaunchMode mode, const LauncherArguments& arguments) {
    return !stationSeen && (mode == LaunchMode::Interactive || InstallerNeedsAPerson(arguments));
}

bool MayShowProgress(bool stationSeen, const LauncherArguments& arguments) {
    return stationSeen && InstallerShowsInterface(arguments);
}
