// The launcher's arguments, split as Windows programs split theirs, and its switches.
#include "app/command_line.h"

#include <cwchar>

namespace {

bool IsBlank(wchar_t character) {
    return character == L' ' || character == L'\t';
}

} // namespace

std::vector<Argument> SplitArguments(const std::wstring& commandLine) {
    std::vector<Argument> arguments;
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
        // The quotes seen in the current run of them, 0 outside quoting.
        int quotes = 0;
        size_t backslashes = 0;
        while (at < size && (quotes != 0 || !IsBlank(commandLine[at]))) {
            const wchar_t character = commandLine[at++];
            if (character == L'\\') {
                argument.text += character;
                ++backslashes;
                continue;
            }
            if (character != L'"') {
                argument.text += character;
                backslashes = 0;
                continue;
            }
            // Before a quote, each pair of backslashes stands for one; an odd
            // one left over makes the quote a character of the text.
            argument.text.resize(argument.text.size() - (backslashes + 1) / 2);
            if (backslashes % 2 == 0) {
                ++quotes;
            } else {
                argument.text += L'"';
            }
            backslashes = 0;
            for (; at < size && commandLine[at] == L'"'; ++at) {
                if (++quotes == 3) {
                    argument.text += L'"';
                    quotes = 0;
                }
            }
            if (quotes == 2) {
                quotes = 0;
            }
        }
        argument.end = at;
        arguments.push_back(argument);
    }
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

bool IsPassiveSwitch(const std::wstring& argument) {
    return argument == L"/passive" || argument == L"-passive";
}

bool IsQuietSwitch(const std::wstring& argument) {
    return StartsWith(argument, L"/q") || StartsWith(argument, L"-q");
}

bool IsLogSwitch(const std::wstring& argument) {
    return argument.size() >= 2 && (argument[0] == L'/' || argument[0] == L'-') &&
           (argument[1] == L'l' || argument[1] == L'L');
}

bool IsUninstallSwitch(const std::wstring& argument) {
    return argument == L"/uninstall" || argument == L"-uninstall" || argument == L"/x" ||
           argument == L"-x";
}
