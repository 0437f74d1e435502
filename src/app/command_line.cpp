// The launcher's arguments, split as msiexec.exe splits its own, and its switches.
#include "app/command_line.h"

#include <cwchar>

namespace {

bool IsBlank(wchar_t character) {
    return character == L' ' || character == L'\t';
}

} // namespace

wchar_t FoldCase(wchar_t character) {
    return character >= L'A' && character <= L'Z' ? static_cast<wchar_t>(character - L'A' + L'a')
                                                  : character;
}

LauncherArguments::LauncherArguments(const std::wstring& typed) : text(typed) {
    // In the body: the members are made in their order, quoteLeftOpen last.
    split = SplitArguments(typed, &quoteLeftOpen);
}

std::vector<Argument> SplitArguments(const std::wstring& commandLine, bool* quoteLeftOpen) {
    std::vector<Argument> arguments;
    if (quoteLeftOpen != nullptr) {
        *quoteLeftOpen = false;
    }
    const size_t size = commandLine.size();
    size_t at = 0;
    for (;;) {
        while (at < size && IsBlank(commandLine[at])) {
            ++at;
        }
        if (at == size) {
            return arguments;
        }
        Argument argument{std::wstring(), at, at};
        bool quoted = false;
        while (at < size && (quoted || !IsBlank(commandLine[at]))) {
            const wchar_t character = commandLine[at++];
            if (character != L'"') {
                argument.text += character;
            } else if (quoted && at < size && commandLine[at] == L'"') {
                // Inside quotes, two quotes are one quote of the text.
                argument.text += L'"';
                ++at;
            } else {
                quoted = !quoted;
            }
        }
        argument.end = at;
        arguments.push_back(argument);
        if (quoteLeftOpen != nullptr) {
            *quoteLeftOpen = quoted;
        }
    }
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = wcslen(prefix);
    if (text.size() < length) {
        return false;
    }
    for (size_t at = 0; at < length; ++at) {
        if (FoldCase(text[at]) != FoldCase(prefix[at])) {
            return false;
        }
    }
    return true;
}

bool IsSwitch(const std::wstring& argument, const wchar_t* name) {
    return argument.size() == wcslen(name) && StartsWith(argument, name);
}

bool IsPassiveSwitch(const std::wstring& argument) {
    return IsSwitch(argument, L"/passive") || IsSwitch(argument, L"-passive");
}

bool IsHelpSwitch(const std::wstring& argument) {
    return IsSwitch(argument, L"/?") || IsSwitch(argument, L"-?");
}

bool IsQuietSwitch(const std::wstring& argument) {
    return StartsWith(argument, L"/q") || StartsWith(argument, L"-q");
}

bool IsFullInterfaceSwitch(const std::wstring& argument) {
    return StartsWith(argument, L"/qf") || StartsWith(argument, L"-qf");
}

bool IsLogSwitch(const std::wstring& argument) {
    return argument.size() >= 2 && (StartsWith(argument, L"/l") || StartsWith(argument, L"-l"));
}

bool IsUninstallSwitch(const std::wstring& argument) {
    return IsSwitch(argument, L"/uninstall") || IsSwitch(argument, L"-uninstall") ||
           IsSwitch(argument, L"/x") || IsSwitch(argument, L"-x");
}
