// The launcher's arguments, split as Windows programs split theirs.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The arguments of a command line, each as its text and as the characters
// it takes up there, which the launcher erases for an uninstall.
TEST(SplitArgumentsTest, FollowsTheRulesOfWindowsPrograms) {
    struct SplitCase {
        const char* name;
        const wchar_t* commandLine;
        std::vector<std::wstring> texts;
        std::vector<std::wstring> spans;
    };
    const SplitCase cases[] = {
        {"blanks separate", L" a\t b  ", {L"a", L"b"}, {L"a", L"b"}},
        {"nothing", L"  ", {}, {}},
        {"quotes keep blanks", L"\"a b\" c", {L"a b", L"c"}, {L"\"a b\"", L"c"}},
        {"quoted switch", L"\"/x\" /qn", {L"/x", L"/qn"}, {L"\"/x\"", L"/qn"}},
        {"quotes inside a value", L"PROP=\"what /?\"", {L"PROP=what /?"}, {L"PROP=\"what /?\""}},
        {"empty quotes", L"\"\" a", {L"", L"a"}, {L"\"\"", L"a"}},
        {"backslashes stand for themselves", L"C:\\a\\\\b", {L"C:\\a\\\\b"}, {L"C:\\a\\\\b"}},
        {"escaped quote", L"a\\\"b c", {L"a\"b", L"c"}, {L"a\\\"b", L"c"}},
        {"pair of backslashes before a quote", L"a\\\\\"b c\"", {L"a\\b c"}, {L"a\\\\\"b c\""}},
        {"three backslashes before a quote", L"a\\\\\\\"b", {L"a\\\"b"}, {L"a\\\\\\\"b"}},
        {"two quotes inside quotes", L"\"a\"\"b\"", {L"a\"b"}, {L"\"a\"\"b\""}},
        {"three quotes in a row", L"\"\"\"a\"\"\" b", {L"\"a\"", L"b"}, {L"\"\"\"a\"\"\"", L"b"}},
        {"unclosed quote runs to the end", L"\"a b", {L"a b"}, {L"\"a b"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring commandLine = c.commandLine;
        std::vector<std::wstring> texts, spans;
        for (const Argument& argument : SplitArguments(commandLine)) {
            texts.push_back(argument.text);
            spans.push_back(commandLine.substr(argument.begin, argument.end - argument.begin));
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(spans, c.spans);
    }
}

} // namespace
