// What the administrator's command asks msiexec.exe to do with the staged package.
#include "app/installer_action.h"

namespace {

// Whether argument is "/name" or "-name", whole, in any case.
bool IsEitherSwitch(const std::wstring& argument, const wchar_t* name) {
    return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-') &&
           IsSwitch(argument.substr(1), name);
}

// Whether every character of text from at on is one of letters.
bool OnlyLetters(const std::wstring& text, size_t at, const wchar_t* letters) {
    for (; at < text.size(); ++at) {
        bool known = false;
        for (const wchar_t* letter = letters; *letter != L'\0'; ++letter) {
            known = known || FoldCase(text[at]) == *letter;
        }
        if (!known) {
            return false;
        }
    }
    return true;
}

// The action that an argument's switch names; Install for no switch.
InstallerAction SwitchAction(const std::wstring& argument, bool& isSwitch) {
    isSwitch = true;
    if (IsEitherSwitch(argument, L"i") || IsEitherSwitch(argument, L"package")) {
        return InstallerAction::Install;
    }
    if (IsUninstallSwitch(argument)) {
        return InstallerAction::Remove;
    }
    if (IsEitherSwitch(argument, L"a")) {
        return InstallerAction::AdministrativeImage;
    }
    const bool slash = argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-');
    // "/f" with its repair modes, "/ju" and "/jm".
    if (slash && FoldCase(argument[1]) == L'f' && OnlyLetters(argument, 2, L"poedcamusv")) {
        return InstallerAction::Repair;
    }
    if (slash && argument.size() == 3 && FoldCase(argument[1]) == L'j' &&
        OnlyLetters(argument, 2, L"um")) {
        return InstallerAction::Advertise;
    }
    for (const wchar_t* refused : {L"p", L"y", L"z", L"regserver", L"unregserver", L"unreg",
                                   L"unregister", L"embedding", L"@"}) {
        if (IsEitherSwitch(argument, refused)) {
            return InstallerAction::Refused;
        }
    }
    isSwitch = false;
    return InstallerAction::Install;
}

// Whether an argument sets REMOVE to ALL, in any case, as msiexec.exe
// reads property names and Windows Installer this value.
bool SetsRemoveAll(const std::wstring& argument) {
    return argument.size() == 10 && StartsWith(argument, L"REMOVE=ALL");
}

} // namespace

CommandAction ChooseAction(const LauncherArguments& arguments) {
    CommandAction chosen;
    for (size_t index = 0; index < arguments.split.size(); ++index) {
        const std::wstring& text = arguments.split[index].text;
        bool isSwitch = false;
        const InstallerAction action = SwitchAction(text, isSwitch);
        chosen.removesAll = chosen.removesAll || SetsRemoveAll(text);
        if (!isSwitch) {
            continue;
        }
        // Only an install or a removal may be named twice: its switches all
        // go, and the staged package stands in their place.
        const bool again = chosen.lastSwitch != CommandAction::kNoSwitch &&
                           (action != chosen.action || (action != InstallerAction::Install &&
                                                        action != InstallerAction::Remove));
        chosen.action = again ? InstallerAction::Refused : action;
        chosen.lastSwitch = index;
        if (chosen.action == InstallerAction::Refused) {
            break;
        }
    }
    chosen.removesAll = chosen.removesAll && chosen.action == InstallerAction::Install;
    return chosen;
}

bool IsActionSwitch(const std::wstring& argument) {
    bool isSwitch = false;
    SwitchAction(argument, isSwitch);
    return isSwitch;
}

bool TakesUpdateDecision(const CommandAction& action) {
    return action.action == InstallerAction::Install || action.action == InstallerAction::Remove;
}

bool RemovesProduct(const CommandAction& action) {
    return action.action == InstallerAction::Remove || action.removesAll;
}

const char* InstallerActionText(InstallerAction action) {
    switch (action) {
    case InstallerAction::Remove:
        return "action: removal";
    case InstallerAction::AdministrativeImage:
        return "action: administrative image";
    case InstallerAction::Repair:
        return "action: repair";
    case InstallerAction::Advertise:
        return "action: advertisement";
    case InstallerAction::Refused:
        return "action: refused, ";
    default:
        return "action: install";
    }
}
