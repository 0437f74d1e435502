// Runs the built Setup.exe in the Wine prefix, on a package folder of its own,
// with a stand-in in place of the system's msiexec.exe, and observes what the
// user would see: message boxes, the installer's command, the staging folder.
#include "launcher_fixture.h"
#include "file_io.h"
#include "test_main.h"

#include <gtest/gtest.h>

namespace {

using testfs::Exists;
using testfs::SortedNames;

struct Scenario {
    const char* name;
    Setting setting;
    const wchar_t* arguments;
    const char* installerExitCode;
    // The installer's expected command: its switch ("/i", "/x", ...) and the text
    // after the quoted package path; null when no installer may start.
    const wchar_t* installerSwitch;
    const wchar_t* commandTail;
    // The launcher's exit code. No row shows a box: a quiet run shows none
    // on a visible station too, and a run that a person attends fails in
    // the language dialog's tests.
    DWORD exitCode;
    // The launcher adds no log of the installer's: the arguments name one,
    // or leave a quote open.
    bool noAddedLog;
};

// The rows by what the launcher does, each field named where it is given.
Scenario Installs(const char* name, const wchar_t* arguments, const wchar_t* commandTail,
                  Setting setting = Setting::None, const char* installerExitCode = "0",
                  DWORD exitCode = 0) {
    return {name, setting, arguments, installerExitCode, L"/i", commandTail, exitCode, false};
}
Scenario InstallsWithoutAddedLog(const char* name, const wchar_t* arguments,
                                 const wchar_t* commandTail) {
    return {name, Setting::None, arguments, "0", L"/i", commandTail, 0, true};
}
Scenario Uninstalls(const char* name, const wchar_t* arguments, const wchar_t* commandTail,
                    Setting setting = Setting::None) {
    return {name, setting, arguments, "0", L"/x", commandTail, 0, false};
}
Scenario AsksForALanguage(const char* name, const wchar_t* arguments,
                          Setting setting = Setting::None) {
    return {name, setting, arguments, "0", nullptr, nullptr, 0, false};
}
// A quiet run that fails tells it by its exit code alone.
Scenario Refuses(const char* name, Setting setting, DWORD exitCode) {
    return {name, setting, L"/qn", "0", nullptr, nullptr, exitCode, false};
}

const Scenario kScenarios[] = {
    Installs("passive installs", L"/passive", L" /passive"),
    Installs("quiet installs", L"/qn", L" /qn"),
    Installs("help switch runs msiexec directly", L"/?", L" /?"),
    InstallsWithoutAddedLog("switches and quoted values passed on",
                            L"/qn /l*v \"C:\\log dir\\a.log\" REBOOT=ReallySuppress",
                            L" /qn /l*v \"C:\\log dir\\a.log\" REBOOT=ReallySuppress"),
    // A switch's text inside another argument is no switch.
    InstallsWithoutAddedLog("log path holding -x installs with its path unchanged",
                            L"/qn /l*v C:\\Logs\\setup-x.log", L" /qn /l*v C:\\Logs\\setup-x.log"),
    // msiexec.exe reads its switches in any case.
    InstallsWithoutAddedLog("upper-case log switch is the only one", L"/qn /L*V C:\\Logs\\x.log",
                            L" /qn /L*V C:\\Logs\\x.log"),
    Installs("value holding -x installs unchanged", L"/qn TARGETDIR=D:\\sub-xyz",
             L" /qn TARGETDIR=D:\\sub-xyz"),
    Uninstalls("uninstall", L"/x /qn", L"  /qn"),
    // msiexec.exe reads its switches in any case; so does the launcher.
    Installs("upper-case quiet installs", L"/QN", L" /QN"),
    Uninstalls("upper-case uninstall", L"/X /QN", L"  /QN"),
    // The log switch would become part of the value whose quote is open.
    InstallsWithoutAddedLog("open quote gets no log switch", L"/qn \"INSTALLDIR=C:\\x",
                            L" /qn \"INSTALLDIR=C:\\x"),
    Uninstalls("dash uninstall", L"-uninstall /passive", L"  /passive"),
    // A quiet or passive run ends with the installer's own code, on a
    // visible station too; a run that a person attends, with 0.
    Installs("quiet run tells the installer's failure", L"/qn", L" /qn", Setting::None, "1603",
             1603),
    Installs("passive run tells a restart is needed", L"/passive", L" /passive", Setting::None,
             "3010", 3010),
    Installs("attended run ends with 0 after the installer's failure", L"", L"",
             Setting::InstalledFlag, "1603", 0),
    Installs("missing package of the other bitness does not matter", L"/qn", L" /qn",
             Setting::NoOtherPackage),
    Installs("installed product runs directly despite /qf", L"/qf", L" /qf",
             Setting::InstalledFlag),
    Installs("installed product without arguments runs directly", L"", L"", Setting::InstalledFlag),
    AsksForALanguage("flag 0 is not installed", L"/qf", Setting::InstalledFlagZero),
    AsksForALanguage("full interface asks for a language", L"/qf"),
    AsksForALanguage("no arguments asks for a language", L""),
    Installs("planted msiexec is not started", L"/passive", L" /passive", Setting::PlantedMsiexec),
    Refuses("no cabinet", Setting::NoCabinets, ERROR_INSTALL_PACKAGE_OPEN_FAILED),
    Refuses("missing package", Setting::NoOwnPackage, ERROR_INSTALL_PACKAGE_OPEN_FAILED),
    Refuses("cabinet held open by another process", Setting::CabinetInUse,
            ERROR_INSTALL_PACKAGE_OPEN_FAILED),
    // An elevated launcher does not stage in the user's TMP, so TMP cannot stop it.
    Installs("missing TMP does not matter", L"/qn", L" /qn", Setting::TemporaryFolderMissing),
    Refuses("staging folder cannot be created", Setting::WindowsTempUnusable,
            ERROR_INSTALL_TEMP_UNWRITABLE),
    // Not the medium's fault: the administrator looks at the Temp folder.
    Refuses("Windows Temp too small for the copies", Setting::WindowsTempFull,
            ERROR_INSTALL_TEMP_UNWRITABLE),
    // Every CD: the copies must not keep the attribute, or they could not be deleted.
    Installs("read-only medium installs", L"/qn", L" /qn", Setting::ReadOnlyMedium),
    Uninstalls("read-only medium uninstalls", L"/x /qn", L"  /qn", Setting::ReadOnlyMedium),
    Refuses("installer cannot start", Setting::InstallerNotStartable,
            ERROR_INSTALL_SERVICE_FAILURE),
    // Read as msiexec.exe reads its command: a folder's last backslash closes
    // nothing, and two quotes inside quotes are one.
    Installs("folder property ending in a backslash is quiet",
             L"INSTALLDIR=\"C:\\Program Files\\Vendor\\\" /qn",
             L" INSTALLDIR=\"C:\\Program Files\\Vendor\\\" /qn"),
    Installs("two quotes inside a value get the installer's log",
             L"/qn COMPANYNAME=\"Acme \"\"Widgets\"\" Inc\"",
             L" /qn COMPANYNAME=\"Acme \"\"Widgets\"\" Inc\""),
    // One action per command, the administrator's.
    {"administrative image", Setting::None, L"/a TARGETDIR=C:\\Image /qn", "0", L"/a",
     L"  TARGETDIR=C:\\Image /qn", 0, false},
    {"repair", Setting::None, L"/fa /qn", "0", L"/fa", L"  /qn", 0, false},
    {"patch refused", Setting::None, L"/qn /p C:\\x.msp", "0", nullptr, nullptr,
     ERROR_INVALID_COMMAND_LINE, false},
};

class SetupRunTest : public SetupTest, public testing::WithParamInterface<Scenario> {};

TEST_P(SetupRunTest, Scenario) {
    const Scenario& s = GetParam();
    Apply(s.setting);
    if (HasFatalFailure()) {
        return;
    }
    SetEnvironmentVariableW(
        L"SETUP_TEST_EXIT_CODE",
        std::wstring(s.installerExitCode, s.installerExitCode + strlen(s.installerExitCode))
            .c_str());
    const auto packageBefore = files_.PackageSnapshot();

    const RunResult run = files_.Run(s.arguments);

    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, s.exitCode);
    EXPECT_EQ(files_.PackageSnapshot(), packageBefore) << "the package folder is never changed";

    // Interactive mode is the one way to end with neither installer nor error.
    const bool interactive = s.installerSwitch == nullptr && s.exitCode == 0;
    EXPECT_EQ(run.dialogSeen, interactive) << "the language dialog (cancelled here)";
    EXPECT_TRUE(run.boxes.empty()) << testfs::Narrow(run.boxes.front().text);

    InstallerRecord record;
    const bool installerRan = ReadRecord(files_.record, record);
    if (s.installerSwitch == nullptr) {
        EXPECT_FALSE(installerRan) << testfs::Narrow(record.commandLine);
    } else {
        ASSERT_TRUE(installerRan) << "the installer was not started";
        EXPECT_TRUE(IsSystemMsiexec(record.module)) << "started " << testfs::Narrow(record.module);
        // The staging folder: a fresh QLNxxxx folder in the Windows folder's Temp.
        ASSERT_EQ(record.folder.size(), files_.staging.size() + 8) << testfs::Narrow(record.folder);
        EXPECT_EQ(record.folder.substr(0, files_.staging.size() + 3), files_.staging + L"QLN");
        // The installer logs beside the launcher, unless the arguments name a log.
        std::wstring command = record.commandLine;
        const std::wstring installerLog = TakeInstallerLog(command);
        EXPECT_EQ(command, std::wstring(L"msiexec.exe ") + s.installerSwitch + L" \"" +
                               record.folder + OwnPackage() + L"\"" + s.commandTail);
        EXPECT_EQ(installerLog.empty(), s.noAddedLog) << testfs::Narrow(record.commandLine);
        EXPECT_TRUE(installerLog.empty() || Exists(installerLog)) << testfs::Narrow(installerLog);
        EXPECT_EQ(record.listing, CompleteListing())
            << "the staging folder holds the package this Windows needs and every cabinet";
        EXPECT_EQ(record.access, LockedAccess(record.listing))
            << "while the installer runs, nobody may change or delete the staged files";
        EXPECT_EQ(record.inheritedHandles, 0) << "the installer inherited the launcher's locks";
    }

    // Every run, failed or not, removes what it staged, and stages nothing in TMP.
    const std::vector<std::wstring> left = files_.Leftovers();
    EXPECT_TRUE(left.empty()) << testfs::Narrow(left.front());
    EXPECT_TRUE(SortedNames(files_.temp).empty()) << "something was made in TMP";
    if (s.setting == Setting::ReadOnlyMedium) {
        for (const std::wstring& name : SortedNames(files_.package)) {
            EXPECT_NE(GetFileAttributesW((files_.package + name).c_str()) & FILE_ATTRIBUTE_READONLY,
                      0u)
                << testfs::Narrow(name) << " is no longer read-only";
        }
    }
    if (s.setting == Setting::TemporaryFolderMissing) {
        EXPECT_FALSE(Exists(files_.root + L"missing")) << "nothing is created in its place";
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, SetupRunTest, testing::ValuesIn(kScenarios), ByCaseName());

} // namespace
