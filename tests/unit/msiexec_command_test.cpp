// The installer's command line as the launcher composes it from its own.
#include "app/msiexec_command.h"

#include <gtest/gtest.h>

namespace {

// The command for the arguments, by their own action.
std::wstring Compose(const wchar_t* commandLine, const std::wstring& msiPath,
                     const std::wstring& transform, const std::wstring& installerLog = L"",
                     UpdateCase update = UpdateCase::AsIs, const std::wstring& productCode = L"") {
    const LauncherArguments arguments(commandLine);
    return ComposeMsiexecCommandLine(arguments, ChooseAction(arguments), msiPath, transform,
                                     installerLog, update, productCode);
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
    {"quiet passed on", L"/qn", L"", L"msiexec.exe /i \"P\" /qn"},
    {"switches passed on verbatim", L"/qn  /l*v \"C:\\a b.log\"", L"",
     L"msiexec.exe /i \"P\" /qn  /l*v \"C:\\a b.log\""},
    {"uninstall keeps the space after /x", L"/x /qn", L"", L"msiexec.exe /x \"P\"  /qn"},
    {"uninstall switch alone leaves a trailing space", L"-uninstall", L"",
     L"msiexec.exe /x \"P\" "},
    {"slash uninstall", L"/uninstall /passive", L"", L"msiexec.exe /x \"P\"  /passive"},
    {"all four switches erased", L"-x /uninstall", L"", L"msiexec.exe /x \"P\"  "},
    {"transform kept when uninstalling", L"/x", L":ja-JP.mst",
     L"msiexec.exe /x \"P\" TRANSFORMS=\":ja-JP.mst\" "},
    // msiexec.exe reads its switches in any case.
    {"upper-case X uninstalls", L"/X /QN", L"", L"msiexec.exe /x \"P\"  /QN"},
    {"capital U uninstalls", L"/Uninstall", L"", L"msiexec.exe /x \"P\" "},
    {"quoted switch goes with its quotes", L"\"/x\" /qn", L"", L"msiexec.exe /x \"P\"  /qn"},
    {"switch between others", L"/qn -x /l*v a.log", L"", L"msiexec.exe /x \"P\" /qn  /l*v a.log"},
    // A switch's text inside another argument is no switch, and stays.
    {"log path holding -x", L"/qn /l*v C:\\Logs\\setup-x.log", L"",
     L"msiexec.exe /i \"P\" /qn /l*v C:\\Logs\\setup-x.log"},
    {"value holding -x", L"/qn TARGETDIR=D:\\sub-xyz", L"",
     L"msiexec.exe /i \"P\" /qn TARGETDIR=D:\\sub-xyz"},
    {"quoted value holding /x", L"/x PROP=\"a /x b\"", L"",
     L"msiexec.exe /x \"P\"  PROP=\"a /x b\""},
    {"switch inside a word", L"/xyz", L"", L"msiexec.exe /i \"P\" /xyz"},
    {"no closing up", L"--xx", L"", L"msiexec.exe /i \"P\" --xx"},
    {"quiet switches reach msiexec", L"/qn -qf /? -passive", L"",
     L"msiexec.exe /i \"P\" /qn -qf /? -passive"},
    // One action per command: the administrator's switch, as typed, leads.
    {"install switch taken out", L"/i /qn", L":ja-JP.mst",
     L"msiexec.exe /i \"P\" TRANSFORMS=\":ja-JP.mst\"  /qn"},
    {"package switch taken out", L"/qn -Package", L"", L"msiexec.exe /i \"P\" /qn "},
    {"administrative image", L"/a TARGETDIR=C:\\Image /qn", L":ja-JP.mst",
     L"msiexec.exe /a \"P\"  TARGETDIR=C:\\Image /qn"},
    {"repair, its modes as typed", L"/qn /FOMUS", L":ja-JP.mst", L"msiexec.exe /FOMUS \"P\" /qn "},
    {"advertisement", L"-jm /qn", L"", L"msiexec.exe -jm \"P\"  /qn"},
    {"quoted action switch keeps its quotes", L"\"/fa\" /qn", L"",
     L"msiexec.exe \"/fa\" \"P\"  /qn"},
    {"patches of an install pass on", L"/qn /update C:\\p.msp", L"",
     L"msiexec.exe /i \"P\" /qn /update C:\\p.msp"},
    {"REMOVE=ALL passes on", L"/qn REMOVE=ALL", L"", L"msiexec.exe /i \"P\" /qn REMOVE=ALL"},
    // msiexec.exe's own quoting: a folder's last backslash closes nothing.
    {"folder ending in a backslash", L"INSTALLDIR=\"C:\\Program Files\\Vendor\\\" /x", L"",
     L"msiexec.exe /x \"P\" INSTALLDIR=\"C:\\Program Files\\Vendor\\\" "},
};

TEST(ComposeMsiexecCommandLineTest, Table) {
    for (const CommandCase& c : kCommandCases) {
        EXPECT_EQ(Compose(c.commandLine, L"P", c.transform), c.expected) << c.name;
    }
}

// The installer's own verbose log goes last, quoted, after what was typed.
TEST(ComposeMsiexecCommandLineTest, InstallerLogComesLast) {
    EXPECT_EQ(Compose(L"/x /qn", L"P", L":ja-JP.mst", L"C:\\W T\\a_msi.log"),
              L"msiexec.exe /x \"P\" TRANSFORMS=\":ja-JP.mst\"  /qn /l*v \"C:\\W T\\a_msi.log\"");
    EXPECT_EQ(Compose(L"", L"P", L"", L"L"), L"msiexec.exe /i \"P\" /l*v \"L\"");
    // Inside a quote left open it would become part of the last value.
    EXPECT_EQ(Compose(L"/qn \"INSTALLDIR=C:\\x", L"P", L"", L"L"),
              L"msiexec.exe /i \"P\" /qn \"INSTALLDIR=C:\\x");
}

// Where the product is installed from another package: an update in place
// after what was typed, or a removal by product code, with the package's
// transform left out.
TEST(ComposeMsiexecCommandLineTest, UpdateAndRemovalOfAnotherPackage) {
    EXPECT_EQ(Compose(L"/qn", L"P", L"", L"L", UpdateCase::MinorUpdate, L"{C}"),
              L"msiexec.exe /i \"P\" /qn REINSTALL=ALL REINSTALLMODE=vomus /l*v \"L\"");
    EXPECT_EQ(Compose(L"/x /qn", L"P", L":ja-JP.mst", L"L", UpdateCase::RemoveByProduct, L"{C}"),
              L"msiexec.exe /x {C}  /qn /l*v \"L\"");
    // REMOVE=ALL where another package is installed: by product code, with
    // the arguments as typed.
    EXPECT_EQ(Compose(L"/qn REMOVE=ALL", L"P", L"", L"L", UpdateCase::RemoveByProduct, L"{C}"),
              L"msiexec.exe /x {C} /qn REMOVE=ALL /l*v \"L\"");
    // Not inside a quote left open.
    EXPECT_EQ(Compose(L"/qn \"A=b", L"P", L"", L"L", UpdateCase::MinorUpdate, L"{C}"),
              L"msiexec.exe /i \"P\" /qn \"A=b");
}

// msiexec.exe reads any argument that begins with /l or -l, in any case, as
// its log switch; text inside another argument is none.
TEST(NamesInstallerLogTest, Table) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"", false},
        {L"/qn", false},
        {L"/l*v C:\\x.log", true},
        {L"/qn /L*V C:\\x.log", true},
        {L"-l C:\\x.log", true},
        {L"/log C:\\x.log", true},
        {L"/Log C:\\x.log", true},
        {L"/lv+ x.log", true},
        {L"\"/l*v\" x.log", true},
        {L"INSTALLDIR=C:\\a /l b", true},
        {L"PROP=\"a /l b\"", false},
        {L"LOGDIR=C:\\logs", false},
        {L"/quiet", false},
        {L"l*v x.log", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NamesInstallerLog(c.first), c.second) << testing::PrintToString(c.first);
    }
}

TEST(ComposeMsiexecCommandLineTest, PathWithSpacesStaysOneQuotedArgument) {
    EXPECT_EQ(Compose(L"", L"C:\\Temp dir\\QLN0001\\a b.msi", L""),
              L"msiexec.exe /i \"C:\\Temp dir\\QLN0001\\a b.msi\"");
}

// msiexec.exe reads property names in upper case, whatever was typed.
TEST(SetsReinstallTest, AnyCase) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"/qn", false},
        {L"/qn REINSTALL=ALL", true},
        {L"reinstallmode=vomus", true},
        {L"\"Reinstall=Driver\"", true},
        {L"REINSTALLX=1", false},
        {L"PROP=REINSTALL=ALL", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SetsReinstall(c.first), c.second) << testing::PrintToString(c.first);
    }
}

} // namespace
