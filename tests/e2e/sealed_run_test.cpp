// A sealed launcher runs only the package it was built with, and no launcher
// runs beside a folder or file that redirects its DLLs.
#include "launcher_fixture.h"
#include "file_io.h"
#include "test_main.h"

#include <gtest/gtest.h>

namespace {

using testfs::Narrow;
using testfs::SortedNames;

enum class Tamper { None, MsiByteChanged, CabinetAdded, CabinetRemoved };

struct TamperCase {
    const char* name;
    Tamper tamper;
    // What a sealed launcher says where it is seen, and its exit code where
    // it is not; an unsealed one installs whatever the medium holds.
    const wchar_t* message;
    DWORD unseenExitCode;
};

const TamperCase kTamperCases[] = {
    {"intact package installs", Tamper::None, nullptr, 0},
    {"one byte of the MSI changed", Tamper::MsiByteChanged, kChangedMessage,
     ERROR_INSTALL_PACKAGE_INVALID},
    {"a cabinet added", Tamper::CabinetAdded, kChangedMessage, ERROR_INSTALL_PACKAGE_INVALID},
    {"a cabinet removed", Tamper::CabinetRemoved, kInitialisationMessage,
     ERROR_INSTALL_PACKAGE_OPEN_FAILED},
};

// With the argument sealed-package= (the folder that Setup.exe was sealed
// to), the medium holds that package; without it, Setup.exe is not sealed.
class SealedMediumTest : public SetupTest {
  protected:
    void SetUp() override {
        SetupTest::SetUp();
        sealed_ = HasTestArgument(L"sealed-package");
        if (sealed_) {
            for (const std::wstring& name : SortedNames(files_.package)) {
                ASSERT_TRUE(DeleteFileW((files_.package + name).c_str()));
            }
            files_.CopyPackage(TestPath(L"sealed-package") + L"\\");
        }
    }
    void Apply(Tamper tamper) {
        const std::wstring& package = files_.package;
        switch (tamper) {
        case Tamper::None:
            break;
        case Tamper::MsiByteChanged: {
            std::string bytes = testfs::ReadBytes(package + OwnPackage());
            bytes[bytes.size() / 2] ^= 1;
            ASSERT_TRUE(testfs::WriteBytes(package + OwnPackage(), bytes));
            break;
        }
        case Tamper::CabinetAdded:
            ASSERT_TRUE(testfs::WriteBytes(package + L"data3.cab", "MSCF three"));
            break;
        case Tamper::CabinetRemoved:
            ASSERT_TRUE(DeleteFileW((package + L"data2.cab").c_str()));
            break;
        }
    }
    // The MSI for this Windows and every cabinet of the medium, as the
    // stand-in lists them: name and size.
    std::vector<std::wstring> MediumListing() const {
        std::vector<std::wstring> listing;
        for (const std::wstring& name : SortedNames(files_.package)) {
            const bool cabinet = name.size() > 4 && name.substr(name.size() - 4) == L".cab";
            if (cabinet || name == OwnPackage()) {
                listing.push_back(name + L" " +
                                  std::to_wstring(testfs::ReadBytes(files_.package + name).size()));
            }
        }
        return listing;
    }

    bool sealed_ = false;
};

class SealedRunTest : public SealedMediumTest, public testing::WithParamInterface<TamperCase> {};

TEST_P(SealedRunTest, RunsOnlyThePackageItWasSealedTo) {
    const TamperCase& c = GetParam();
    Apply(c.tamper);
    if (HasFatalFailure()) {
        return;
    }
    const bool refused = sealed_ && c.message != nullptr;

    // Where a person attends it: started without a switch, the installed
    // flag set.
    SetupTest::Apply(Setting::InstalledFlag);
    const RunResult seen = files_.Run(L"");
    ASSERT_TRUE(seen.ended);
    EXPECT_EQ(seen.exitCode, 0u);
    InstallerRecord record;
    const bool installed = ReadRecord(files_.record, record);
    if (refused) {
        ASSERT_EQ(seen.boxes.size(), 1u) << "the box is shown where a person sees it";
        EXPECT_EQ(seen.boxes[0].text, c.message);
        EXPECT_FALSE(installed) << "the installer was started on " << Narrow(record.commandLine);
    } else {
        EXPECT_TRUE(seen.boxes.empty()) << Narrow(seen.boxes.front().text);
        ASSERT_TRUE(installed) << "the installer was not started";
        EXPECT_EQ(record.listing, MediumListing());
    }
    EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder stayed";

    // Where nobody does.
    DeleteFileW(files_.record.c_str());
    const RunResult unattended = RunUnseen(L"/qn");
    ASSERT_TRUE(unattended.ended) << "Setup.exe waited for someone to answer";
    EXPECT_EQ(unattended.exitCode, refused ? c.unseenExitCode : 0u);
    EXPECT_EQ(ReadRecord(files_.record, record), !refused);
    EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder stayed";
}

INSTANTIATE_TEST_SUITE_P(Tampered, SealedRunTest, testing::ValuesIn(kTamperCases), ByCaseName());

using SealedPackageTest = SealedMediumTest;

// Someone who may write the medium plants an MSI of their own beside the
// sealed ones, naming a cabinet that the chosen MSI does not name: were it
// read, that cabinet would be left out, and a custom action of the package
// that reads it would find none, or one of theirs. The seal does not hold it:
// it is not read, and every cabinet is staged.
TEST_F(SealedPackageTest, PlantedPackageIsNotRead) {
    ASSERT_TRUE(
        CopyFileW(TestPath(L"planted").c_str(), (files_.package + L"zz.msi").c_str(), FALSE));
    const RunResult run = files_.Run(L"/qn");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    InstallerRecord record;
    ASSERT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    EXPECT_EQ(record.listing, MediumListing());
    const std::string log = files_.NewLauncherLog();
    for (const char* line :
         {"not sealed, not read: zz.msi\r\n", "staged, the package's: data1.cab\r\n",
          "staged, no package's: data2.cab\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << "no \"" << line << "\" in\n" << log;
    }
    EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder stayed";
}

using DllRedirectionTest = SetupTest;

// Windows would load the common controls from "Setup.exe.local" into the
// elevated process. Wine does not redirect DLLs that way at all, so only the
// refusal can be shown here.
TEST_F(DllRedirectionTest, LauncherBesideADotLocalEndsAtOnce) {
    const std::wstring dotLocal = files_.medium + L"Setup.exe.local";
    const std::pair<const char*, bool> kinds[] = {{"folder", true}, {"file", false}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.first);
        ASSERT_TRUE(kind.second ? CreateDirectoryW(dotLocal.c_str(), nullptr) != FALSE
                                : testfs::WriteBytes(dotLocal, "planted"));
        RunOptions options;
        options.timeoutMs = kUnansweredRunMs;
        const std::vector<std::wstring> before = files_.NewLogs(false);
        // Without a switch: the language dialog would come first otherwise.
        const RunResult run = files_.Run(L"", options);
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_PACKAGE_REJECTED));
        EXPECT_FALSE(run.dialogSeen || run.progressSeen) << "a window was shown";
        EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
        EXPECT_FALSE(testfs::Exists(files_.record)) << "the installer was started";
        EXPECT_TRUE(files_.Leftovers().empty()) << "something was staged";
        // The administrator reads why.
        const std::vector<std::wstring> logs = files_.NewLogs(false, before);
        ASSERT_EQ(logs.size(), 1u) << "not one log";
        const std::string log = testfs::ReadBytes(files_.staging + logs[0]);
        EXPECT_NE(log.find("Setup.exe.local beside the launcher; exit code 1625\r\n"),
                  std::string::npos)
            << log;
        kind.second ? RemoveDirectoryW(dotLocal.c_str()) : DeleteFileW(dotLocal.c_str());
    }
}

} // namespace
