// The launcher's arguments, split as msiexec.exe splits its own, and its switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The arguments of a command line, each as its text and as the characters
// it takes up there, which the launcher erases for an action's switch: as
// msiexec.exe reads its own, since every argument goes on to it.
TEST(SplitArgumentsTest, FollowsTheRulesOfMsiexec) {
    struct SplitCase {
        const char* name;
        const wchar_t* commandLine;
        std::vector<std::wstring> texts;
        std::vector<std::wstring> spans;
        bool quoteLeftOpen = false;
    };
    const SplitCase cases[] = {
        {"blanks and tabs separate", L" a\t b  ", {L"a", L"b"}, {L"a", L"b"}},
        {"nothing", L"  ", {}, {}},
        {"quotes keep blanks", L"\"a b\" c", {L"a b", L"c"}, {L"\"a b\"", L"c"}},
        {"quoted switch", L"\"/x\" /qn", {L"/x", L"/qn"}, {L"\"/x\"", L"/qn"}},
        {"quotes inside a value", L"PROP=\"what /?\"", {L"PROP=what /?"}, {L"PROP=\"what /?\""}},
        {"empty quotes", L"\"\" a", {L"", L"a"}, {L"\"\"", L"a"}},
        {"backslashes stand for themselves", L"C:\\a\\\\b", {L"C:\\a\\\\b"}, {L"C:\\a\\\\b"}},
        // A backslash before a quote is no escape: the quote opens or closes.
        {"a folder ending in a backslash",
         L"INSTALLDIR=\"C:\\Program Files\\Vendor\\\" /qn",
         {L"INSTALLDIR=C:\\Program Files\\Vendor\\", L"/qn"},
         {L"INSTALLDIR=\"C:\\Program Files\\Vendor\\\"", L"/qn"}},
        {"backslash and quote opening", L"a\\\"b c", {L"a\\b c"}, {L"a\\\"b c"}, true},
        {"backslashes before a closing quote", L"a\\\\\"b c\"", {L"a\\\\b c"}, {L"a\\\\\"b c\""}},
        {"a quote in the middle",
         L"INSTALLDIR=\"C:\\a b\"\\c /qn",
         {L"INSTALLDIR=C:\\a b\\c", L"/qn"},
         {L"INSTALLDIR=\"C:\\a b\"\\c", L"/qn"}},
        // Inside quotes, two quotes are one quote of the text.
        {"two quotes inside quotes", L"\"a\"\"b\"", {L"a\"b"}, {L"\"a\"\"b\""}},
        {"embedded quotes",
         L"PROPERTY=\"Embedded \"\"Quotes\"\" White Space\" /qn",
         {L"PROPERTY=Embedded \"Quotes\" White Space", L"/qn"},
         {L"PROPERTY=\"Embedded \"\"Quotes\"\" White Space\"", L"/qn"}},
        {"three quotes in a row", L"\"\"\"a\"\"\" b", {L"\"a\"", L"b"}, {L"\"\"\"a\"\"\"", L"b"}},
        {"unclosed quote runs to the end", L"\"a b", {L"a b"}, {L"\"a b"}, true},
        {"open quote after a switch",
         L"/qn \"INSTALLDIR=C:\\x",
         {L"/qn", L"INSTALLDIR=C:\\x"},
         {L"/qn", L"\"INSTALLDIR=C:\\x"},
         true},
        {"closed quote at the end", L"a=\"b\"", {L"a=b"}, {L"a=\"b\""}, false},
        {"a backslash before a last quote leaves it open", L"a\\\"", {L"a\\"}, {L"a\\\""}, true},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring commandLine = c.commandLine;
        std::vector<std::wstring> texts, spans;
        bool quoteLeftOpen = !c.quoteLeftOpen;
        for (const Argument& argument : SplitArguments(commandLine, &quoteLeftOpen)) {
            texts.push_back(argument.text);
            spans.push_back(commandLine.substr(argument.begin, argument.end - argument.begin));
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(spans, c.spans);
        EXPECT_EQ(quoteLeftOpen, c.quoteLeftOpen);
    }
}

// msiexec.exe reads its switches in any case; the launcher reads them alike.
TEST(SwitchTest, AnyCaseWholeArgumentOnly) {
    struct SwitchCase {
        const wchar_t* argument;
        bool uninstall, passive, quiet, fullInterface, help;
    };
    const SwitchCase cases[] = {
        {L"/X", true, false, false, false, false},
        {L"-Uninstall", true, false, false, false, false},
        {L"/xy", false, false, false, false, false},
        {L"/PASSIVE", false, true, false, false, false},
        {L"/passiveX", false, false, false, false, false},
        {L"/QN", false, false, true, false, false},
        {L"-Quiet", false, false, true, false, false},
        {L"/QF", false, false, true, true, false},
        {L"-?", false, false, false, false, true},
        {L"Q", false, false, false, false, false},
    };
    for (const SwitchCase& c : cases) {
        const std::wstring argument = c.argument;
        SCOPED_TRACE(testing::PrintToString(argument));
        EXPECT_EQ(IsUninstallSwitch(argument), c.uninstall);
        EXPECT_EQ(IsPassiveSwitch(argument), c.passive);
        EXPECT_EQ(IsQuietSwitch(argument), c.quiet);
        EXPECT_EQ(IsFullInterfaceSwitch(argument), c.fullInterface);
        EXPECT_EQ(IsHelpSwitch(argument), c.help);
    }
}

} // namespace
