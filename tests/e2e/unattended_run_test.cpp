// Setup.exe where nobody sees its windows, as deployment systems start it,
// and the build that reports the installer's outcome in its exit code.
#include "launcher_fixture.h"
#include "file_io.h"
#include "test_main.h"

#include <gtest/gtest.h>

namespace {

using testfs::Narrow;

// Its own tests run against a Setup.exe built with SETUP_EXIT_CODE=installer
// (the entry e2e_installer_exit_code); those of UnseenRunTest, against the
// default build.
using UnattendedTest = SetupTest;

struct UnseenCase {
    const char* name;
    Setting setting;
    const wchar_t* arguments;
    DWORD exitCode;
    bool installerRan;
};

const UnseenCase kUnseenCases[] = {
    {"installs", Setting::None, L"/qn", 0, true},
    // The language dialog would wait for ever there.
    {"no switch shows no dialog", Setting::None, L"", ERROR_INSTALL_FAILURE, false},
    // The installer's full interface would wait there as the dialog would.
    {"installed flag and no switch start nothing", Setting::InstalledFlag, L"",
     ERROR_INSTALL_FAILURE, false},
    {"no cabinet", Setting::NoCabinets, L"/qn", ERROR_INSTALL_PACKAGE_OPEN_FAILED, false},
    {"missing package", Setting::NoOwnPackage, L"/qn", ERROR_INSTALL_PACKAGE_OPEN_FAILED, false},
    {"missing TMP does not matter", Setting::TemporaryFolderMissing, L"/qn", 0, true},
    {"staging folder cannot be created", Setting::WindowsTempUnusable, L"/qn",
     ERROR_INSTALL_TEMP_UNWRITABLE, false},
    {"installer cannot start", Setting::InstallerNotStartable, L"/qn",
     ERROR_INSTALL_SERVICE_FAILURE, false},
};

class UnseenRunTest : public UnattendedTest, public testing::WithParamInterface<UnseenCase> {};

// A box there would wait until the deployment system's time limit: the run
// must end by itself, and tell its failure through the exit code.
TEST_P(UnseenRunTest, EndsByItselfWithTheOutcomesCode) {
    const UnseenCase& c = GetParam();
    Apply(c.setting);
    if (HasFatalFailure()) {
        return;
    }
    const RunResult run = RunUnseen(c.arguments);

    ASSERT_TRUE(run.ended) << "Setup.exe waited for someone to answer";
    EXPECT_EQ(run.exitCode, c.exitCode);
    InstallerRecord record;
    EXPECT_EQ(ReadRecord(files_.record, record), c.installerRan);
    EXPECT_EQ(files_.Leftovers(), std::vector<std::wstring>()) << "a staging folder stayed";
}

INSTANTIATE_TEST_SUITE_P(Unseen, UnseenRunTest, testing::ValuesIn(kUnseenCases), ByCaseName());

// Run against a Setup.exe built with SETUP_EXIT_CODE=installer.
TEST_F(UnattendedTest, InstallerExitCodeIsTheInstallersOwn) {
    for (const char* code : {"0", "1602", "1603", "1618", "3010", "0xC0000005"}) {
        SCOPED_TRACE(code);
        SetEnvironmentVariableA("SETUP_TEST_EXIT_CODE", code);
        DeleteFileW(files_.record.c_str());
        const RunResult run = files_.Run(L"/qn");
        ASSERT_TRUE(run.ended);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_EQ(run.exitCode, strtoul(code, nullptr, 0));
        InstallerRecord record;
        EXPECT_TRUE(ReadRecord(files_.record, record)) << "the installer did not run";
        EXPECT_TRUE(files_.Leftovers().empty()) << "the staging folder stayed";
    }
}

TEST_F(UnattendedTest, InstallerExitCodeOfACancelledDialogIsUserExit) {
    const RunResult run = files_.Run(L"");
    ASSERT_TRUE(run.dialogSeen);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
}

TEST_F(UnattendedTest, InstallerExitCodeFollowsTheBoxWhereItIsSeen) {
    Apply(Setting::NoCabinets);
    // Started without a switch, the installed flag set: a person attends it.
    Apply(Setting::InstalledFlag);
    const RunResult run = files_.Run(L"");
    ASSERT_EQ(run.boxes.size(), 1u) << "the box belongs where a person sees it";
    EXPECT_EQ(run.boxes[0].text, kInitialisationMessage);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_PACKAGE_OPEN_FAILED));
}

} // namespace
