#include "app/msiexec_command.h"

#include <gtest/gtest.h>

namespace {

struct EraseCase {
    const char* name;
    const wchar_t* text;
    const wchar_t* pattern;
    const wchar_t* expected;
};

const EraseCase kEraseCases[] = {
    {"absent", L"/qn", L"-x", L"/qn"},
    {"single", L"/x /qn", L"/x", L" /qn"},
    {"every occurrence", L"-x a -x b -x", L"-x", L" a  b "},
    {"closing up forms a new occurrence", L"--xx", L"-x", L""},
    {"pattern longer than text", L"-", L"-x", L"-"},
    {"empty text", L"", L"/x", L""},
    {"empty pattern leaves text", L"abc", L"", L"abc"},
};

TEST(EraseAllTest, Table) {
    for (const EraseCase& c : kEraseCases) {
        std::wstring text = c.text;
        EraseAll(text, c.pattern);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

struct CommandCase {
    const char* name;
    const wchar_t* commandLine;
    const wchar_t* transform;
    const wchar_t* expected;
};

// P stands for the staged package path.
const CommandCase kCommandCases[] = {
    {"plain install", L"", L"", L"msiexec.exe /i \"P\""},
    {"install with transform", L"", L":ja-JP.mst",
     L"msiexec.exe /i \"P\" TRANSFORMS=\":ja-JP.mst\""},
    {"passive passed on", L"/passive", L"", L"msiexec.exe /i \"P\" /passive"},
    {"switches passed on verbatim", L"/qn  /l*v \"C:\\a b.log\"", L"",
     L"msiexec.exe /i \"P\" /qn  /l*v \"C:\\a b.log\""},
    {"uninstall keeps the space after /x", L"/x /qn", L"", L"msiexec.exe /x \"P\"  /qn"},
    {"uninstall switch alone leaves a trailing space", L"-uninstall", L"",
     L"msiexec.exe /x \"P\" "},
    {"slash uninstall", L"/uninstall /passive", L"", L"msiexec.exe /x \"P\"  /passive"},
    {"all four switches erased", L"-x /uninstall", L"", L"msiexec.exe /x \"P\"  "},
    {"transform kept when uninstalling", L"/x", L":ja-JP.mst",
     L"msiexec.exe /x \"P\" TRANSFORMS=\":ja-JP.mst\" "},
    {"upper-case X installs", L"/X", L"", L"msiexec.exe /i \"P\" /X"},
    {"capital U installs", L"/Uninstall", L"", L"msiexec.exe /i \"P\" /Uninstall"},
    {"switch inside a log path", L"/l C:\\setup-x.log", L"",
     L"msiexec.exe /x \"P\" /l C:\\setup.log"},
    {"switch inside a word", L"/xyz", L"", L"msiexec.exe /x \"P\" yz"},
    {"erasing closes up", L"--xx", L"", L"msiexec.exe /x \"P\" "},
    {"quiet switches reach msiexec", L"/qn -qf /? -passive", L"",
     L"msiexec.exe /i \"P\" /qn -qf /? -passive"},
};

TEST(ComposeMsiexecCommandLineTest, Table) {
    for (const CommandCase& c : kCommandCases) {
        EXPECT_EQ(ComposeMsiexecCommandLine(c.commandLine, L"P", c.transform), c.expected)
            << c.name;
    }
}

TEST(ComposeMsiexecCommandLineTest, PathWithSpacesStaysOneQuotedArgument) {
    EXPECT_EQ(ComposeMsiexecCommandLine(L"", L"C:\\Temp dir\\QLN0001\\a b.msi", L""),
              L"msiexec.exe /i \"C:\\Temp dir\\QLN0001\\a b.msi\"");
}

} // namespace
