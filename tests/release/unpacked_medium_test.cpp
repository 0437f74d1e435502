// Runs Setup.exe from the medium as a user unpacked it from the release
// archive, in a folder whose name holds spaces and non-ASCII characters, with
// the stand-in in place of the system's msiexec.exe.
#include "default_names.h"
#include "medium.h"
#include "scratch_folder.h"
#include "stand_in.h"
#include "test_main.h"
#include "file_io.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testfs::Exists;
using testfs::Narrow;
using testfs::SortedNames;

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           CompareStringOrdinal(text.c_str() + text.size() - end.size(), -1, end.c_str(), -1,
                                TRUE) == CSTR_EQUAL;
}

DWORD FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

// The unpacked medium (the program's argument medium=) is used where it is.
class UnpackedMediumTest : public ScratchFolderTest {
  protected:
    UnpackedMediumTest() : ScratchFolderTest(L"setup-unpacked-medium") {}
    void SetUp() override {
        medium_ = TestPath(L"medium") + L"\\";
        ASSERT_TRUE(std::any_of(medium_.begin(), medium_.end(), [](wchar_t c) { return c > 0x7F; }))
            << "the medium's path holds no non-ASCII character: " << Narrow(medium_);
        ASSERT_TRUE(Exists(medium_ + L"Setup.exe")) << Narrow(medium_);
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        files_.CreateFor(folder, medium_);
    }
    void TearDown() override {
        files_.Leave();
        ScratchFolderTest::TearDown();
    }

    std::wstring medium_;
    Medium files_;
};

// What the installer's command makes of the arguments is the unit tests'
// (ComposeMsiexecCommandLine); here the medium's launcher runs from the path
// as unpacked, and names the MSI it staged from there.
TEST_F(UnpackedMediumTest, RunsTheInstallerOnAStagedCopyOfThePackage) {
    const std::wstring package = medium_ + L"Package\\";
    // What the medium offers: the MSI of this Windows' bitness and the cabinets.
    const std::wstring bitness = IsWow64() ? L"x64.msi" : L"x86.msi";
    std::wstring ownMsi;
    std::vector<std::wstring> staged;
    for (const std::wstring& name : SortedNames(package)) {
        const std::wstring line = name + L" " + std::to_wstring(FileSize(package + name));
        if (EndsWith(name, L".cab")) {
            staged.push_back(line);
        } else if (EndsWith(name, bitness)) {
            ASSERT_TRUE(ownMsi.empty()) << "two packages for this bitness";
            ownMsi = name;
            staged.push_back(line);
        }
    }
    ASSERT_FALSE(ownMsi.empty()) << "the medium holds no ..." << Narrow(bitness);
    std::sort(staged.begin(), staged.end());
    const auto packageBefore = testfs::Snapshot(package);

    const RunResult run = files_.Run(L"/qn");

    ASSERT_TRUE(run.started) << "Setup.exe did not start from " << Narrow(medium_);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.dialogSeen) << "a direct run asks for no language";
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    EXPECT_EQ(testfs::Snapshot(package), packageBefore) << "the medium is never changed";

    InstallerRecord record;
    ASSERT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    EXPECT_TRUE(IsSystemMsiexec(record.module)) << "started " << Narrow(record.module);
    ASSERT_EQ(record.folder.size(), files_.staging.size() + 8) << Narrow(record.folder);
    EXPECT_EQ(record.folder.substr(0, files_.staging.size() + 3), files_.staging + L"QLN");
    std::wstring command = record.commandLine;
    EXPECT_FALSE(TakeInstallerLog(command).empty()) << "no log beside the launcher's";
    EXPECT_EQ(command, L"msiexec.exe /i \"" + record.folder + ownMsi + L"\" /qn");
    EXPECT_EQ(record.listing, staged) << "the staging folder holds the package and every cabinet";
    EXPECT_EQ(record.access, LockedAccess(record.listing))
        << "while the installer runs, nobody may change or delete the staged files";
    EXPECT_FALSE(Exists(record.folder)) << "the staging folder is removed after the run";
    const std::vector<std::wstring> left = files_.Leftovers();
    EXPECT_TRUE(left.empty()) << Narrow(left.front());
}

} // namespace
