// What other processes of the user can do to a run's staging folder, tried
// on Setup.exe while the stand-in installer runs.
#include "launcher_fixture.h"
#include "file_io.h"
#include "launcher_places.h"
#include "processes.h"
#include "wine_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>

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
        RunOptions options;
        options.whileRunning = [&] {
            InstallerRecord record;
            if (!ReadRecord(files_.record, record)) {
                return false;
            }
            meanwhile(record);
            return testfs::WriteBytes(proceed_, "go");
        };
        return files_.Run(L"/qn", options);
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
    DWORD refusal = 0;
    const RunResult run = RunWhileInstallerWaits([&](const InstallerRecord& started) {
        folder = started.folder.substr(0, started.folder.size() - 1);
        const std::wstring aside = files_.root + L"aside";
        renamed = MoveFileW(folder.c_str(), aside.c_str()) != FALSE;
        refusal = GetLastError();
        if (renamed) {
            MoveFileW(aside.c_str(), folder.c_str());
        }
    });

    ASSERT_TRUE(run.ended);
    ASSERT_FALSE(folder.empty()) << "the installer was not started";
    EXPECT_FALSE(renamed) << "the staging folder could be renamed";
    // Refused because it is held, not because it was gone already.
    EXPECT_TRUE(refusal == ERROR_SHARING_VIOLATION || refusal == ERROR_ACCESS_DENIED) << refusal;
    EXPECT_FALSE(Exists(folder)) << "the staging folder stayed";
}

// The first value that the C runtime's generator gives after being seeded
// with a clock second, as the launcher once named its folders: Wine's msvcrt
// rand is the classic linear congruential generator.
unsigned ClockSeededDraw(unsigned seconds) {
    return ((seconds * 214013u + 2531011u) >> 16) & 0x7FFF;
}

// Someone creates, in advance, the folders that a clock-seeded name would
// take in the coming half minute. Drawn names seldom meet them (that a taken
// name earns another draw is shown with scripted draws in the unit tests);
// what this shows is that a run touches no folder of the same pattern that
// is not its own.
TEST_F(StagingRunTest, FoldersOfOthersUnderTheNamePatternAreNeverTouched) {
    const unsigned now = static_cast<unsigned>(time(nullptr));
    std::vector<std::wstring> taken;
    for (unsigned second = now - 1; second <= now + 30; ++second) {
        wchar_t name[16] = {};
        wsprintfW(name, L"QLN%04X", ClockSeededDraw(second));
        const std::wstring folder = files_.staging + name + L"\\";
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            taken.push_back(name);
            ASSERT_TRUE(testfs::WriteBytes(folder + L"owner.txt", "someone else's"));
        }
    }
    std::sort(taken.begin(), taken.end());
    testfs::WriteBytes(proceed_, "go");

    const RunResult run = Run(L"/qn");

    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    InstallerRecord record;
    EXPECT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    std::vector<std::wstring> left = files_.Leftovers();
    for (const std::wstring& name : taken) {
        EXPECT_EQ(SortedNames(files_.staging + name + L"\\"),
                  std::vector<std::wstring>{L"owner.txt"})
            << Narrow(name) << " was used";
        testfs::RemoveTree(files_.staging + name + L"\\");
    }
    EXPECT_EQ(left, taken) << "a folder was left, or one taken was removed";
}

// Someone points their TMP through a link, and retargets the link at a
// folder of their choice while the installer runs; an elevated launcher
// stages where only administrators reach, so nothing there or at either
// target changes, and nothing appears in the system's protected folder.
TEST_F(StagingRunTest, TmpThroughARetargetedLinkChangesNothingOutsideTheStagingFolder) {
    const std::wstring mine = files_.root + L"tmp-target\\";
    const std::wstring victim = files_.root + L"victim\\";
    const std::wstring link = files_.root + L"tmp-link";
    for (const std::wstring& folder : {mine, victim}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(testfs::WriteBytes(folder + L"precious.txt", "keep me"));
    }
    ASSERT_TRUE(winehost::MakeSymbolicLink(mine, link));
    const std::wstring systemTemp =
        files_.staging.substr(0, files_.staging.size() - 5) + L"SystemTemp\\";
    const bool madeSystemTemp = CreateDirectoryW(systemTemp.c_str(), nullptr) != FALSE;
    SetEnvironmentVariableW(L"TMP", (link + L"\\").c_str());
    SetEnvironmentVariableW(L"TEMP", (link + L"\\").c_str());

    std::wstring staged;
    bool retargeted = false;
    const RunResult run = RunWhileInstallerWaits([&](const InstallerRecord& started) {
        staged = started.folder;
        winehost::RemoveSymbolicLink(link);
        retargeted = winehost::MakeSymbolicLink(victim, link);
    });
    const std::vector<std::wstring> inSystemTemp = SortedNames(systemTemp);
    winehost::RemoveSymbolicLink(link);
    if (madeSystemTemp) {
        RemoveDirectoryW(systemTemp.c_str());
    }

    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    ASSERT_FALSE(staged.empty()) << "the installer was not started";
    EXPECT_TRUE(retargeted) << "the link could not be retargeted";
    EXPECT_EQ(staged.substr(0, files_.staging.size()), files_.staging)
        << "the installer's package lies in " << Narrow(staged);
    for (const std::wstring& folder : {mine, victim}) {
        EXPECT_EQ(testfs::Snapshot(folder),
                  (std::vector<std::pair<std::wstring, std::string>>{{L"precious.txt", "keep me"}}))
            << Narrow(folder);
    }
    EXPECT_TRUE(inSystemTemp.empty()) << Narrow(inSystemTemp.front());
    EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder was left";
}

// Another process still reads a staged file when the installer has ended:
// everything else goes, and the rest is scheduled for the next restart.
TEST_F(StagingRunTest, StagedFileStillInUseGoesAtTheNextRestart) {
    std::wstring staged;
    FileHandle reader;
    const RunResult run = RunWhileInstallerWaits([&](const InstallerRecord& started) {
        staged = started.folder;
        reader = FileHandle(CreateFileW((staged + L"data2.cab").c_str(), GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    });
    ASSERT_TRUE(run.ended);
    ASSERT_FALSE(staged.empty()) << "the installer was not started";
    ASSERT_TRUE(reader.IsValid()) << "the staged cabinet could not be opened for reading";
    const std::vector<std::wstring> left = SortedNames(staged);
    const std::vector<std::wstring> atRestart = testfs::TakeRemovalsAtRestart(staged);
    reader.Reset();
    testfs::RemoveTree(staged);

    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    EXPECT_EQ(left, std::vector<std::wstring>{L"data2.cab"});
    const std::wstring folder = staged.substr(0, staged.size() - 1);
    EXPECT_EQ(atRestart, (std::vector<std::wstring>{folder + L"\\data2.cab", folder}));
}

// A scanner or an indexer holds a staged file for a moment after the
// installer ends: the clean-up waits for it rather than leave it behind.
TEST_F(StagingRunTest, StagedFileHeldForAMomentIsDeletedWithNothingLeftForTheRestart) {
    std::wstring staged;
    FileHandle reader;
    bool held = false;
    ULONGLONG proceeded = 0;
    RunOptions options;
    options.whileRunning = [&] {
        if (proceeded == 0) {
            InstallerRecord record;
            if (!ReadRecord(files_.record, record)) {
                return false;
            }
            staged = record.folder;
            reader = FileHandle(CreateFileW((staged + L"data2.cab").c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            held = reader.IsValid();
            testfs::WriteBytes(proceed_, "go");
            proceeded = GetTickCount64();
            return false;
        }
        // The installer ends at once; the file is let go of a second later.
        if (GetTickCount64() - proceeded < 1000) {
            return false;
        }
        reader.Reset();
        return true;
    };
    const RunResult run = files_.Run(L"/qn", options);
    ASSERT_TRUE(run.ended);
    ASSERT_FALSE(staged.empty()) << "the installer was not started";
    ASSERT_TRUE(held) << "the staged cabinet could not be opened for reading";
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    EXPECT_FALSE(Exists(staged)) << "the staging folder stayed";
    EXPECT_EQ(testfs::TakeRemovalsAtRestart(staged), std::vector<std::wstring>());
}

// Logoff or shutdown while the installer runs: it may still read the copies,
// so they stay, and go at the restart, which the launcher asks for before it
// answers; the folder itself stays, administrators' alone, so that nobody
// can make it again while a product's source list may name it. The next run
// finds it, mends the lists and removes it.
TEST_F(StagingRunTest, EndOfTheSessionUnderTheInstallerKeepsTheFolderForTheNextRun) {
    std::wstring staged;
    bool answered = false;
    std::vector<std::wstring> atRestart;
    const RunResult run = RunWhileInstallerWaits([&](const InstallerRecord& started) {
        staged = started.folder;
        const HWND watch = SessionWatchWindow();
        answered = watch != nullptr && EndTheSession(watch);
        atRestart = testfs::TakeRemovalsAtRestart(staged);
    });
    ASSERT_TRUE(run.ended);
    ASSERT_FALSE(staged.empty()) << "the installer was not started";
    EXPECT_TRUE(answered) << "the session's end was not answered, or refused";
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    std::vector<std::wstring> expected;
    for (const std::wstring& name : SortedNames(staged)) {
        expected.push_back(staged + name);
    }
    std::sort(atRestart.begin(), atRestart.end());
    EXPECT_EQ(atRestart, expected) << "the copies, and they alone, were not left for the restart";
    EXPECT_FALSE(expected.empty()) << "nothing was staged";
    const std::string first = files_.NewLauncherLog();
    EXPECT_NE(first.find("staging folder kept, its files go at the restart"), std::string::npos)
        << first;

    const std::vector<std::wstring> before = files_.NewLogs(false);
    const RunResult next = Run(L"/qn");
    ASSERT_TRUE(next.ended);
    EXPECT_FALSE(Exists(staged)) << "the next run left the folder";
        const std::vector<std::wstring> logs = files_.NewLogs(false, before);
    ASSERT_EQ(logs.size(), 1u);
    const std::string log = ReadBytes(files_.staging + logs.front());
    EXPECT_NE(log.find("left by an earlier run, removed: " + Narrow(staged)), std::string::npos)
        << log;
}

// Two launchers started together each stage in a folder of their own.
TEST_F(StagingRunTest, TwoLaunchersRunSideBySide) {
    const std::wstring records = files_.root + L"records\\";
    ASSERT_TRUE(CreateDirectoryW(records.c_str(), nullptr));
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", records.c_str());

    // The second starts by itself; it shows no window with /qn.
    const std::wstring second = L"\"" + files_.medium + L"Setup.exe\" /qn";
    const KernelHandle secondProcess = StartProgram(std::wstring(), second, false, files_.root);
    ASSERT_TRUE(secondProcess.IsValid());
    // Both installers have recorded and wait: both folders exist at once.
    bool bothWaiting = false;
    RunOptions options;
    options.whileRunning = [&] {
        bothWaiting = SortedNames(records).size() == 2;
        return bothWaiting && testfs::WriteBytes(proceed_, "go");
    };
    const RunResult first = files_.Run(L"/qn", options);
    testfs::WriteBytes(proceed_, "go");
    const bool secondEnded = WaitForEnd(secondProcess.Get(), second);

    ASSERT_TRUE(first.ended);
    EXPECT_TRUE(first.boxes.empty()) << Narrow(first.boxes.front().text);
    ASSERT_TRUE(secondEnded) << "the second launcher did not end";
    EXPECT_TRUE(bothWaiting) << "the two runs did not stage at the same time";
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

namespace {

using StandInTest = SetupTest;

// The runs above count on the stand-in to notice a handle to a staged file
// that it inherited; here it is given one on purpose.
TEST_F(StandInTest, ReportsAHandleToAStagedFileThatItInherited) {
    const std::wstring staged = files_.root + L"staged\\";
    ASSERT_TRUE(CreateDirectoryW(staged.c_str(), nullptr));
    ASSERT_TRUE(testfs::WriteBytes(staged + L"package.msi", "m"));
    ASSERT_TRUE(testfs::WriteBytes(staged + L"data1.cab", "c"));
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    const FileHandle cabinet(CreateFileW((staged + L"data1.cab").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ, &inheritable, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(cabinet.IsValid());

    const std::wstring command = L"msiexec.exe /i \"" + staged + L"package.msi\"";
    const KernelHandle process = StartProgram(SystemMsiexec(), command, true);
    ASSERT_TRUE(process.IsValid());
    ASSERT_TRUE(WaitForEnd(process.Get(), command));

    InstallerRecord record;
    ASSERT_TRUE(ReadRecord(files_.record, record));
    EXPECT_EQ(record.inheritedHandles, 1);
}

} // namespace
