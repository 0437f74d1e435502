// Runs the built Setup.exe in the Wine prefix, on a package folder of its own,
// with a stand-in in place of the system's msiexec.exe, and observes what the
// user would see: message boxes, the installer's command, the staging folder.
#include "setup_test.h"
#include "test_files.h"
#include "test_main.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testfs::Exists;
using testfs::SortedNames;

struct Scenario {
    const char* name;
    Setting setting;
    const wchar_t* arguments;
    const char* installerExitCode;
    // The installer's expected command: its switch ("/i" or "/x") and the text
    // after the quoted package path; null when no installer may start.
    const wchar_t* installerSwitch;
    const wchar_t* commandTail;
    const wchar_t* message; // the one error box expected, or null
    // Whether a staging folder stays behind in the temporary folder, and the
    // sorted names it then holds.
    bool stagingLeft;
    std::vector<std::wstring> leftBehind;
};

// The package this Windows needs stands for itself as kOwn.
const wchar_t kOwn[] = L"<own package>";
const std::vector<std::wstring> kCompleteStaging = {kOwn, L"data1.cab", L"data2.cab"};

const Scenario kScenarios[] = {
    {"passive installs", Setting::None, L"/passive", "0", L"/i", L" /passive", nullptr, false, {}},
    {"quiet installs", Setting::None, L"/qn", "0", L"/i", L" /qn", nullptr, false, {}},
    {"help switch runs msiexec directly",
     Setting::None,
     L"/?",
     "0",
     L"/i",
     L" /?",
     nullptr,
     false,
     {}},
    {"switches and quoted values passed on",
     Setting::None,
     L"/qn /l*v \"C:\\log dir\\a.log\" REBOOT=ReallySuppress",
     "0",
     L"/i",
     L" /qn /l*v \"C:\\log dir\\a.log\" REBOOT=ReallySuppress",
     nullptr,
     false,
     {}},
    {"uninstall", Setting::None, L"/x /qn", "0", L"/x", L"  /qn", nullptr, false, {}},
    {"dash uninstall",
     Setting::None,
     L"-uninstall /passive",
     "0",
     L"/x",
     L"  /passive",
     nullptr,
     false,
     {}},
    {"installer failure is not reported",
     Setting::None,
     L"/qn",
     "1603",
     L"/i",
     L" /qn",
     nullptr,
     false,
     {}},
    {"user cancel is not reported",
     Setting::None,
     L"/passive",
     "1602",
     L"/i",
     L" /passive",
     nullptr,
     false,
     {}},
    {"missing package of the other bitness does not matter",
     Setting::NoOtherPackage,
     L"/qn",
     "0",
     L"/i",
     L" /qn",
     nullptr,
     false,
     {}},
    {"installed product runs directly despite /qf",
     Setting::InstalledFlag,
     L"/qf",
     "0",
     L"/i",
     L" /qf",
     nullptr,
     false,
     {}},
    {"installed product without arguments runs directly",
     Setting::InstalledFlag,
     L"",
     "0",
     L"/i",
     L"",
     nullptr,
     false,
     {}},
    {"flag 0 is not installed",
     Setting::InstalledFlagZero,
     L"/qf",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"full interface asks for a language",
     Setting::None,
     L"/qf",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"no arguments asks for a language",
     Setting::None,
     L"",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"upper-case switch asks for a language",
     Setting::None,
     L"/QN",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"planted msiexec is not started",
     Setting::PlantedMsiexec,
     L"/passive",
     "0",
     L"/i",
     L" /passive",
     nullptr,
     false,
     {}},
    {"no cabinet",
     Setting::NoCabinets,
     L"/qn",
     "0",
     nullptr,
     nullptr,
     kInitialisationMessage,
     true,
     {kOwn}},
    {"missing package",
     Setting::NoOwnPackage,
     L"/qn",
     "0",
     nullptr,
     nullptr,
     kInitialisationMessage,
     true,
     {}},
    {"staging folder cannot be created",
     Setting::TemporaryFolderMissing,
     L"/qn",
     "0",
     nullptr,
     nullptr,
     kInitialisationMessage,
     false,
     {}},
    // Every CD: the copies must not keep the attribute, or they could not be deleted.
    {"read-only medium installs",
     Setting::ReadOnlyMedium,
     L"/qn",
     "0",
     L"/i",
     L" /qn",
     nullptr,
     false,
     {}},
    {"read-only medium uninstalls",
     Setting::ReadOnlyMedium,
     L"/x /qn",
     "0",
     L"/x",
     L"  /qn",
     nullptr,
     false,
     {}},
    {"installer cannot start", Setting::InstallerNotStartable, L"/qn", "0", nullptr, nullptr,
     kStartMessage, true, kCompleteStaging},
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
    EXPECT_EQ(run.exitCode, 0u) << "the launcher always ends with 0";
    EXPECT_EQ(files_.PackageSnapshot(), packageBefore) << "the package folder is never changed";

    // Interactive mode is the one way to end with neither installer nor error.
    const bool interactive = s.installerSwitch == nullptr && s.message == nullptr;
    EXPECT_EQ(run.dialogSeen, interactive) << "the language dialog (cancelled here)";

    if (s.message == nullptr) {
        EXPECT_TRUE(run.boxes.empty()) << testfs::Narrow(run.boxes.front().text);
    } else {
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0].caption, L"Error");
        EXPECT_EQ(run.boxes[0].text, s.message);
        EXPECT_EQ(run.boxes[0].owner, nullptr) << "direct mode has no owner window";
    }

    InstallerRecord record;
    const bool installerRan = ReadRecord(files_.record, record);
    if (s.installerSwitch == nullptr) {
        EXPECT_FALSE(installerRan) << testfs::Narrow(record.commandLine);
    } else {
        ASSERT_TRUE(installerRan) << "the installer was not started";
        EXPECT_TRUE(IsSystemMsiexec(record.module)) << "started " << testfs::Narrow(record.module);
        // The staging folder: a fresh QLNxxxx folder in the temporary folder.
        ASSERT_EQ(record.folder.size(), files_.temp.size() + 8) << testfs::Narrow(record.folder);
        EXPECT_EQ(record.folder.substr(0, files_.temp.size() + 3), files_.temp + L"QLN");
        EXPECT_EQ(record.commandLine, std::wstring(L"msiexec.exe ") + s.installerSwitch + L" \"" +
                                          record.folder + OwnPackage() + L"\"" + s.commandTail);
        EXPECT_EQ(record.listing, CompleteListing())
            << "the staging folder holds the package this Windows needs and every cabinet";
        EXPECT_EQ(record.access, LockedAccess(record.listing))
            << "while the installer runs, nobody may change or delete the staged files";
        EXPECT_EQ(record.inheritedHandles, 0) << "the installer inherited the launcher's locks";
        EXPECT_FALSE(Exists(record.folder)) << "the staging folder is removed after the run";
    }

    const std::vector<std::wstring> temporary = files_.Leftovers();
    if (s.stagingLeft) {
        ASSERT_EQ(temporary.size(), 1u) << "a failed run leaves its staging folder";
        std::vector<std::wstring> expected = s.leftBehind;
        std::replace(expected.begin(), expected.end(), std::wstring(kOwn), OwnPackage());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(SortedNames(files_.temp + temporary[0] + L"\\"), expected);
    } else {
        EXPECT_TRUE(temporary.empty()) << testfs::Narrow(temporary.front());
    }
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
