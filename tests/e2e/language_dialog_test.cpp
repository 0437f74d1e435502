// The language dialog of Setup.exe in a real window on the virtual display,
// observed and answered from this process.
#include "launcher_fixture.h"
#include "dialog_keys.h"
#include "file_io.h"
#include "poll.h"

#include <gtest/gtest.h>

namespace {

struct DialogView {
    std::wstring prompt;
    std::vector<std::wstring> items;
    LRESULT selection = CB_ERR;
    bool visible = false;
    RECT rect = {};
};

DialogView Look(HWND dialog) {
    DialogView view;
    wchar_t prompt[256] = {};
    GetDlgItemTextW(dialog, 1001, prompt, 256);
    view.prompt = prompt;
    view.items = LanguageItems(dialog);
    const HWND combo = GetDlgItem(dialog, 1000);
    view.selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    view.visible = IsWindowVisible(dialog) != FALSE;
    GetWindowRect(dialog, &view.rect);
    return view;
}

void CALLBACK IconArrived(HWND, UINT, ULONG_PTR data, LRESULT result) {
    *reinterpret_cast<LRESULT*>(data) = result;
}

// WM_GETICON does not cross processes through SendMessage on Wine; a
// callback with a message pump does.
HICON AskIcon(HWND dialog, WPARAM which) {
    LRESULT icon = -1;
    if (!SendMessageCallbackW(dialog, WM_GETICON, which, 0, IconArrived,
                              reinterpret_cast<ULONG_PTR>(&icon))) {
        return nullptr;
    }
    const bool answered = PollUntil(
        "window answers WM_GETICON", kAnswerMs,
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
            return icon != -1;
        },
        10);
    return answered ? reinterpret_cast<HICON>(icon) : nullptr;
}

class LanguageDialogTest : public SetupTest {};

// Wine takes each process's UI language from the Unix locale it starts
// with, and children inherit it; CTest runs this test once per locale.
TEST_F(LanguageDialogTest, WordsAndOrdersAfterTheUiLanguage) {
    struct UiCase {
        LANGID uiLanguage;
        std::wstring prompt;
        std::vector<std::wstring> items;
    };
    const UiCase cases[] = {
        {0x0409, kEnglishPrompt, {kEnglish, kJapanese}},
        {0x0411, kJapanesePrompt, {kJapanese, kEnglish}},
        {0x0407, kEnglishPrompt, {kEnglish, kJapanese}},
        {0x0404, kEnglishPrompt, {kEnglish, kJapanese}},
        {0x0804, kEnglishPrompt, {kEnglish, kJapanese}},
        {0x0813, kEnglishPrompt, {kEnglish, kJapanese}},
    };
    const LANGID uiLanguage = GetUserDefaultUILanguage();
    // A locale that failed to take effect must not pass as English.
    wchar_t wanted[16] = {};
    if (GetEnvironmentVariableW(L"SETUP_TEST_UI_LANGUAGE", wanted, 16) > 0) {
        ASSERT_EQ(uiLanguage, _wtoi(wanted)) << "the test's locale did not take effect";
    }
    const UiCase* found = nullptr;
    for (const UiCase& c : cases) {
        if (c.uiLanguage == uiLanguage) {
            found = &c;
        }
    }
    ASSERT_NE(found, nullptr) << "no expectation for UI language " << uiLanguage;
    const UiCase& c = *found;
    {
        DialogView view;
        HICON smallIcon = nullptr;
        HICON bigIcon = nullptr;
        const RunResult run = files_.Run(L"", [&](HWND dialog) {
            view = Look(dialog);
            smallIcon = AskIcon(dialog, ICON_SMALL);
            bigIcon = AskIcon(dialog, ICON_BIG);
            CancelDialog(dialog);
        });
        ASSERT_TRUE(run.dialogSeen);
        EXPECT_EQ(view.prompt, c.prompt);
        EXPECT_EQ(view.items, c.items);
        EXPECT_EQ(view.selection, 0) << "the first item is preselected";
        EXPECT_TRUE(view.visible);
        EXPECT_NE(smallIcon, nullptr);
        EXPECT_NE(bigIcon, nullptr);

        RECT screen = {};
        GetWindowRect(GetDesktopWindow(), &screen);
        const LONG dx = (view.rect.left - screen.left) - (screen.right - view.rect.right);
        const LONG dy = (view.rect.top - screen.top) - (screen.bottom - view.rect.bottom);
        EXPECT_LE(labs(dx), 1) << "centred horizontally";
        EXPECT_LE(labs(dy), 1) << "centred vertically";
        EXPECT_EQ(run.exitCode, 0u);
    }
}

TEST_F(LanguageDialogTest, OkInstallsInTheChosenLanguageWhileTheDialogIsHidden) {
    struct ChoiceCase {
        const wchar_t* arguments;
        std::wstring choice;
        std::wstring commandTail;
    };
    const ChoiceCase cases[] = {
        {L"", kEnglish, L""},
        {L"", kJapanese, L" TRANSFORMS=\":ja-JP.mst\""},
        {L"/qf", kJapanese, L" TRANSFORMS=\":ja-JP.mst\" /qf"},
        {L"/qn -qf", kEnglish, L" /qn -qf"},
        // No quiet switch, however the value ends.
        {L"INSTALLDIR=C:\\my-quiet", kEnglish, L" INSTALLDIR=C:\\my-quiet"},
    };
    const std::wstring proceed = files_.root + L"proceed";
    SetEnvironmentVariableW(L"SETUP_TEST_WAIT_FILE", proceed.c_str());
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(testfs::Narrow(c.choice + L" " + c.arguments));
        DeleteFileW(files_.record.c_str());
        DeleteFileW(proceed.c_str());
        bool hiddenWhileInstalling = false;
        bool stillThere = false;
        const RunResult run = files_.Run(c.arguments, [&](HWND dialog) {
            ASSERT_TRUE(ChooseLanguage(dialog, c.choice));
            // The stand-in records, then waits for the proceed file.
            if (testfs::WaitForFile("record written", files_.record, kRecordMs)) {
                stillThere = IsWindow(dialog) != FALSE;
                hiddenWhileInstalling = IsWindowVisible(dialog) == FALSE;
            }
            testfs::WriteBytes(proceed, "go");
        });
        ASSERT_TRUE(run.dialogSeen);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_TRUE(stillThere) << "the dialog lives on during the run";
        EXPECT_TRUE(hiddenWhileInstalling) << "the dialog is hidden while the installer runs";
        InstallerRecord record;
        ASSERT_TRUE(ReadRecord(files_.record, record));
        std::wstring command = record.commandLine;
        EXPECT_FALSE(TakeInstallerLog(command).empty()) << "no log beside the launcher's";
        EXPECT_EQ(command,
                  L"msiexec.exe /i \"" + record.folder + OwnPackage() + L"\"" + c.commandTail);
        EXPECT_FALSE(testfs::Exists(record.folder)) << "staging removed after the run";
        EXPECT_EQ(run.exitCode, 0u);
    }
}

TEST_F(LanguageDialogTest, ErrorOfTheRunIsOwnedByTheHiddenDialog) {
    DeleteFileW((files_.package + L"data1.cab").c_str());
    DeleteFileW((files_.package + L"data2.cab").c_str());
    HWND shown = nullptr;
    const RunResult run = files_.Run(L"", [&](HWND dialog) {
        shown = dialog;
        PressKey(dialog, VK_RETURN);
    });
    ASSERT_TRUE(run.dialogSeen);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, kInitialisationMessage);
    EXPECT_EQ(run.boxes[0].owner, shown);
    EXPECT_FALSE(run.boxes[0].ownerVisible);
    EXPECT_FALSE(testfs::Exists(files_.record));
    EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(LanguageDialogTest, EscapeAndCloseBoxInstallNothing) {
    const std::pair<const char*, DialogHandler> ways[] = {
        {"Esc", CancelDialog},
        // What the caption's close box sends.
        {"close box", [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const RunResult run = files_.Run(L"", way.second);
        ASSERT_TRUE(run.ended);
        EXPECT_TRUE(run.dialogSeen);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_FALSE(testfs::Exists(files_.record)) << "no installer started";
        EXPECT_TRUE(files_.Leftovers().empty()) << "no staging folder";
        EXPECT_EQ(run.exitCode, 0u);
    }
}

} // namespace
