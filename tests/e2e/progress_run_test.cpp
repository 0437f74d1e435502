// The progress window while a slow staging runs: slow in bytes, which every
// machine copies at about the speed of its memory, rather than in files,
// which Wine under an emulator opens many times more slowly.
#include "launcher_fixture.h"
#include "dialog_keys.h"
#include "file_io.h"
#include "poll.h"
#include "test_main.h"

#include "base/unique_handle.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

using testfs::Narrow;

// Each test's cabinets: enough bytes that staging them takes well over the
// half second after which the window shows, on a machine that copies fast.
const int kCabinets = 64;
const LONGLONG kCabinetBytes = 16 << 20;

class ProgressRunTest : public SetupTest {
  protected:
    void SetUp() override {
        SetupTest::SetUp();
        AddCabinets(0, kCabinets);
    }
    // Sparse: they take no room on the disk until they are copied.
    void AddCabinets(int first, int count) {
        for (int i = first; i < first + count; ++i) {
            const std::wstring path = files_.package + L"many" + std::to_wstring(i) + L".cab";
            const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
            LARGE_INTEGER end = {};
            end.QuadPart = kCabinetBytes;
            ASSERT_TRUE(file.IsValid() && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) &&
                        SetEndOfFile(file.Get()))
                << Narrow(path);
        }
    }
    // Enough more that the staging still runs seconds after the window shows,
    // on a machine that stages quickly.
    void MakeStagingSlow() {
        AddCabinets(kCabinets, kCabinets / 2);
    }
};

// What the handler saw of the progress window before it answered.
struct ProgressSeen {
    std::wstring caption;
    std::wstring text;
    bool barMoved = false;
};

HWND ProgressBar(HWND window) {
    return FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr);
}

TEST_F(ProgressRunTest, ShowsTheStagingAndCancelStopsIt) {
    struct CancelCase {
        const char* name;
        void (*answer)(HWND window);
    };
    const CancelCase cases[] = {
        {"Esc", CancelDialog},
        {"Cancel button",
         [](HWND window) { PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0); }},
    };
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressSeen seen;
        RunOptions options;
        options.onProgress = [&](HWND window) {
            wchar_t text[256] = {};
            GetWindowTextW(window, text, 256);
            seen.caption = text;
            GetDlgItemTextW(window, 1001, text, 256);
            seen.text = text;
            const HWND bar = ProgressBar(window);
            const LRESULT first = SendMessageW(bar, PBM_GETPOS, 0, 0);
            PollUntil(
                "progress bar moves", kProgressMovesMs,
                [&] {
                    seen.barMoved = SendMessageW(bar, PBM_GETPOS, 0, 0) > first;
                    return seen.barMoved || !IsWindow(window);
                },
                10);
            c.answer(window);
        };
        const RunResult run = files_.Run(L"/passive", options);
        ASSERT_TRUE(run.ended);
        ASSERT_TRUE(run.progressSeen) << "no progress window";
        EXPECT_EQ(seen.caption, L"Setup");
        EXPECT_EQ(seen.text, L"Preparing the installation...");
        EXPECT_TRUE(seen.barMoved) << "the bar did not move";
        EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
        EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_USEREXIT))
            << "a passive run tells that nothing was installed";
        EXPECT_FALSE(testfs::Exists(files_.record)) << "the installer was started";
        EXPECT_TRUE(files_.Leftovers().empty()) << "the staging folder stayed";
    }
}

// A command that reaches the hidden language dialog while its run stages,
// posted or sent by another program, starts no second run inside the first.
TEST_F(ProgressRunTest, CommandToTheHiddenLanguageDialogStartsNoSecondRun) {
    MakeStagingSlow();
    const std::wstring records = files_.root + L"records\\";
    ASSERT_TRUE(CreateDirectoryW(records.c_str(), nullptr));
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", records.c_str());
    HWND language = nullptr;
    bool posted = false;
    bool sent = false;
    RunOptions options;
    options.onDialog = options.onProgress = [&](HWND window) {
        if (ProgressBar(window) == nullptr) {
            language = window;
            ChooseLanguage(window, kEnglish);
            return;
        }
        posted = PostMessageW(language, WM_COMMAND, IDOK, 0) != FALSE;
        DWORD_PTR result = 0;
        sent =
            SendMessageTimeoutW(language, WM_COMMAND, IDOK, 0, SMTO_BLOCK, kAnswerMs, &result) != 0;
    };
    const RunResult run = files_.Run(L"", options);
    ASSERT_TRUE(run.ended);
    ASSERT_NE(language, nullptr) << "no language dialog";
    EXPECT_TRUE(posted && sent) << "the commands did not reach the hidden dialog";
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    EXPECT_EQ(testfs::SortedNames(records).size(), 1u) << "the installer did not run once";
    EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder stayed";
}

// Logoff or shutdown while a slow staging runs, told to the progress window
// or, in a quiet run that shows none, to the hidden one: by the time the
// launcher has answered, what it staged is gone, and no installer starts
// afterwards.
TEST_F(ProgressRunTest, EndOfTheSessionRemovesTheStagingBeforeItIsAnswered) {
    MakeStagingSlow();
    for (const bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "quiet: the hidden window" : "the progress window");
        bool answered = false;
        std::vector<std::wstring> leftWhenAnswered = {L"<not asked>"};
        const auto endTheSession = [&](HWND window) {
            answered = EndTheSession(window);
            leftWhenAnswered = files_.Leftovers();
        };
        RunOptions options;
        if (quiet) {
            options.whileRunning = [&] {
                const HWND watch = SessionWatchWindow();
                if (watch == nullptr || files_.Leftovers().empty()) {
                    return false;
                }
                endTheSession(watch);
                return true;
            };
        } else {
            options.onProgress = endTheSession;
        }
        const RunResult run = files_.Run(quiet ? L"/qn" : L"/passive", options);
        ASSERT_TRUE(run.ended);
        if (!quiet) {
            ASSERT_TRUE(run.progressSeen) << "no progress window";
        }
        EXPECT_TRUE(answered) << "the session's end was not answered, or refused";
        EXPECT_EQ(leftWhenAnswered, std::vector<std::wstring>()) << "the staging folder was there";
        EXPECT_FALSE(testfs::Exists(files_.record)) << "the installer was started";
        EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
        EXPECT_TRUE(files_.Leftovers().empty()) << "the staging folder stayed";
    }
}

TEST_F(ProgressRunTest, QuietRunShowsNoWindow) {
    const RunResult run = files_.Run(L"/qn");
    ASSERT_TRUE(run.ended);
    EXPECT_FALSE(run.dialogSeen || run.progressSeen) << "a window was shown";
    InstallerRecord record;
    ASSERT_TRUE(ReadRecord(files_.record, record)) << "the installer was not started";
    EXPECT_EQ(record.listing.size(), static_cast<size_t>(kCabinets) + 3);
    EXPECT_TRUE(files_.Leftovers().empty()) << "the staging folder stayed";
}

} // namespace
