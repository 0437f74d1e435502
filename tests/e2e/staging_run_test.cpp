// What other processes of the user can do to a run's staging folder, tried
// on Setup.exe while the stand-in installer runs.
#include "setup_test.h"
#include "test_files.h"
#include "wine_host.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <thread>

namespace {

using testfs::Exists;
using testfs::Narrow;
using testfs::ReadBytes;
using testfs::SortedNames;

class StagingRunTest : public SetupTest {
  protected:
    void SetUp() override {
        SetupTest::SetUp();
        proceed_ = files_.root + L"proceed";
        SetEnvironmentVariableW(L"SETUP_TEST_WAIT_FILE", proceed_.c_str());
    }
    RunResult Run(const std::wstring& arguments) {
        return files_.Run(arguments);
    }
    // Runs Setup.exe /qn and, while the stand-in installer waits, does what
    // someone else might do to the staging folder (nothing when the installer
    // does not start); the run ends after that.
    RunResult RunWhileInstallerWaits(const std::function<void(const InstallerRecord&)>& meanwhile) {
        std::thread other([&] {
            InstallerRecord record;
            if (testfs::WaitForFile(files_.record) && ReadRecord(files_.record, record)) {
                meanwhile(record);
            }
            testfs::WriteBytes(proceed_, "go");
        });
        const RunResult run = Run(L"/qn");
        other.join();
        return run;
    }

    std::wstring proceed_;
};

// Someone plants a link to a folder of theirs in the staging folder while the
// installer runs; the elevated clean-up must not delete what it points to.
TEST_F(StagingRunTest, PlantedDirectoryLinkLeavesItsTargetAlone) {
    const std::wstring victim = files_.root + L"victim\\";
    ASSERT_TRUE(CreateDirectoryW(victim.c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteBytes(victim + L"precious.txt", "keep me"));
    const bool removesLinks = winehost::RemovesDirectoryLinks(files_.root);

    std::wstring link;
    bool planted = false;
    const RunResult run = RunWhileInstallerWaits([&](const InstallerRecord& started) {
        link = started.folder + L"planted";
        planted = winehost::MakeSymbolicLink(victim, link);
    });

    ASSERT_TRUE(run.ended);
    ASSERT_FALSE(link.empty()) << "the installer was not started";
    ASSERT_TRUE(planted) << "the link could not be planted";
    EXPECT_EQ(SortedNames(victim), std::vector<std::wstring>{L"precious.txt"});
    EXPECT_EQ(ReadBytes(victim + L"precious.txt"), "keep me");
    const std::wstring staging = link.substr(0, link.rfind(L'\\') + 1);
    if (removesLinks) {
        EXPECT_FALSE(Exists(link));
        EXPECT_FALSE(Exists(staging)) << "the staging folder stayed";
    } else {
        // Wine looks through a link that it is asked to remove: the link, and
        // with it the staging folder, stay.
        EXPECT_TRUE(Exists(staging));
    }
}

// Someone renames the staging folder while the installer runs, to put a
// folder or a link of theirs in its place.
TEST_F(StagingRunTest, StagingFolderCannotBeRenamedWhileTheInstallerRuns) {
    std::wstring folder;
    bool renamed = true;
    const RunResult run = RunWhileInstallerWaits([&](const InstallerRecord& started) {
        folder = started.folder.substr(0, started.folder.size() - 1);
        const std::wstring aside = files_.root + L"aside";
        renamed = MoveFileW(folder.c_str(), aside.c_str()) != FALSE;
        if (renamed) {
            MoveFileW(aside.c_str(), folder.c_str());
        }
    });

    ASSERT_TRUE(run.ended);
    ASSERT_FALSE(folder.empty()) << "the installer was not started";
    EXPECT_FALSE(renamed) << "the staging folder could be renamed";
    EXPECT_FALSE(Exists(folder)) << "the staging folder stayed";
}

// The first value that the C runtime's generator gives after being seeded
// with a clock second, as the launcher once named its folders: Wine's msvcrt
// rand is the classic linear congruential generator.
unsigned ClockSeededDraw(unsigned seconds) {
    return ((seconds * 214013u + 2531011u) >> 16) & 0x7FFF;
}

// Someone creates, in advance, the folders that a clock-seeded name would
// take in the coming half minute.
TEST_F(StagingRunTest, FoldersTakenInAdvanceNeitherStopARunNorAreTouched) {
    const unsigned now = static_cast<unsigned>(time(nullptr));
    std::vector<std::wstring> taken;
    for (unsigned second = now - 1; second <= now + 30; ++second) {
        wchar_t name[16] = {};
        wsprintfW(name, L"QLN%04X", ClockSeededDraw(second));
        const std::wstring folder = files_.temp + name + L"\\";
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            ASSERT_TRUE(testfs::WriteBytes(folder + L"owner.txt", "someone else's"));
            taken.push_back(name);
        }
    }
    std::sort(taken.begin(), taken.end());
    testfs::WriteBytes(proceed_, "go");

    const RunResult run = Run(L"/qn");

    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    InstallerRecord record;
    ASSERT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    EXPECT_EQ(files_.Leftovers(), taken) << "a folder was left, or one taken was removed";
    for (const std::wstring& name : taken) {
        EXPECT_EQ(SortedNames(files_.temp + name + L"\\"), std::vector<std::wstring>{L"owner.txt"})
            << Narrow(name) << " was used";
    }
}

// Two launchers started together each stage in a folder of their own.
TEST_F(StagingRunTest, TwoLaunchersRunSideBySide) {
    const std::wstring records = files_.root + L"records\\";
    ASSERT_TRUE(CreateDirectoryW(records.c_str(), nullptr));
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", records.c_str());

    RunResult first, second;
    std::thread other([&] { second = Run(L"/qn"); });
    std::thread waiter([&] {
        // Both installers have recorded and wait: both folders exist at once.
        for (int i = 0; i < 600 && SortedNames(records).size() < 2; ++i) {
            Sleep(50);
        }
        testfs::WriteBytes(proceed_, "go");
    });
    first = Run(L"/qn");
    other.join();
    waiter.join();

    for (const RunResult* run : {&first, &second}) {
        ASSERT_TRUE(run->ended);
        EXPECT_TRUE(run->boxes.empty()) << Narrow(run->boxes.front().text);
    }
    const std::vector<std::wstring> written = SortedNames(records);
    ASSERT_EQ(written.size(), 2u) << "not both installers ran";
    std::vector<std::wstring> folders;
    for (const std::wstring& name : written) {
        InstallerRecord record;
        ASSERT_TRUE(ReadRecord(records + name, record));
        EXPECT_EQ(record.listing, CompleteListing());
        folders.push_back(record.folder);
    }
    EXPECT_NE(folders[0], folders[1]);
    EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder was left";
}

} // namespace
