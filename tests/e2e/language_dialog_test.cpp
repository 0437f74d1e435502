// The language dialog of Setup.exe in a real window on the virtual display,
// observed and answered from this process.
#include "language/language_dialog.h"
#include "language/language_list.h"
#include "app/globals.h"
#include "setup_harness.h"
#include "test_files.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kEnglishPrompt = L"Select language:";

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
    for (int i = 0; i < 200 && icon == -1; ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    return icon == -1 ? nullptr : reinterpret_cast<HICON>(icon);
}

bool WaitForFile(const std::wstring& path) {
    for (int i = 0; i < 300; ++i) {
        if (testfs::Exists(path)) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

class LanguageDialogTest : public testing::Test {
  protected:
    void SetUp() override {
        files_.Create();
    }
    void TearDown() override {
        files_.Destroy();
    }
    RunResult Run(const std::wstring& arguments, const DialogHandler& onDialog) {
        return RunSetup(files_.medium + L"Setup.exe", arguments, files_.root, onDialog);
    }

    Medium files_;
};

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
        {0x0411, L"\u8A00\u8A9E\u3092\u9078\u629E\u3059\u308B:", {kJapanese, kEnglish}},
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
        const RunResult run = Run(L"", [&](HWND dialog) {
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
    };
    const std::wstring proceed = files_.root + L"proceed";
    SetEnvironmentVariableW(L"SETUP_TEST_WAIT_FILE", proceed.c_str());
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(testfs::Narrow(c.choice + L" " + c.arguments));
        DeleteFileW(files_.record.c_str());
        DeleteFileW(proceed.c_str());
        bool hiddenWhileInstalling = false;
        bool stillThere = false;
        const RunResult run = Run(c.arguments, [&](HWND dialog) {
            ASSERT_TRUE(ChooseLanguage(dialog, c.choice));
            // The stand-in records, then waits for the proceed file.
            if (WaitForFile(files_.record)) {
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
        EXPECT_EQ(record.commandLine,
                  L"msiexec.exe /i \"" + record.folder + OwnPackage() + L"\"" + c.commandTail);
        EXPECT_FALSE(testfs::Exists(record.folder)) << "staging removed after the run";
        EXPECT_EQ(run.exitCode, 0u);
    }
}

TEST_F(LanguageDialogTest, ErrorOfTheRunIsOwnedByTheHiddenDialog) {
    DeleteFileW((files_.package + L"data1.cab").c_str());
    DeleteFileW((files_.package + L"data2.cab").c_str());
    HWND shown = nullptr;
    const RunResult run = Run(L"", [&](HWND dialog) {
        shown = dialog;
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
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
    const std::pair<const char*, UINT> ways[] = {{"Esc", WM_COMMAND}, {"close box", WM_CLOSE}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const RunResult run = Run(L"", [&](HWND dialog) {
            PostMessageW(dialog, way.second, way.second == WM_COMMAND ? IDCANCEL : 0, 0);
        });
        ASSERT_TRUE(run.ended);
        EXPECT_TRUE(run.dialogSeen);
        EXPECT_TRUE(run.boxes.empty());
        EXPECT_FALSE(testfs::Exists(files_.record)) << "no installer started";
        EXPECT_TRUE(testfs::SortedNames(files_.temp).empty()) << "no staging folder";
        EXPECT_EQ(run.exitCode, 0u);
    }
}

// The launcher offers English and Japanese only; the other prompts are
// checked on Setup.exe's own template, filled from catalogues built here.
TEST(FillLanguageDialogTest, PromptAndOrderForOtherCatalogues) {
    struct FillCase {
        const char* name;
        LANGID builtFor;
        unsigned flags;
        LANGID shownFor;
        std::wstring prompt;
        std::vector<std::wstring> items;
    };
    const FillCase cases[] = {
        {"Taiwan",
         0x0404,
         0x7F,
         0x0404,
         L"\u9078\u64C7\u8A9E\u8A00:",
         {kChinese, kEnglish, kJapanese, kDutch, kGerman, kFrench, kItalian}},
        {"Hong Kong", 0x0C04, 0x09, 0x0C04, L"\u9078\u64C7\u8A9E\u8A00:", {kChinese, kEnglish}},
        {"PRC keeps build order", 0x0804, 0x09, 0x0804, kEnglishPrompt, {kEnglish, kChinese}},
        {"PRC without English", 0x0804, 0x0C, 0x0804, kEnglishPrompt, {kJapanese, kChinese}},
        {"German", 0x0407, 0x11, 0x0407, L"Sprache ausw\u00E4hlen:", {kGerman, kEnglish}},
        {"French", 0x040C, 0x21, 0x040C, L"Choisir la langue:", {kFrench, kEnglish}},
        {"Italian", 0x0410, 0x41, 0x0410, L"Seleziona la lingua:", {kItalian, kEnglish}},
        {"Dutch Belgium", 0x0813, 0x03, 0x0813, L"Selecteer taal:", {kDutch, kEnglish}},
        {"Japanese",
         0x0411,
         0x05,
         0x0411,
         L"\u8A00\u8A9E\u3092\u9078\u629E\u3059\u308B:",
         {kJapanese, kEnglish}},
        {"German UI, German not offered",
         0x0407,
         0x05,
         0x0407,
         kEnglishPrompt,
         {kEnglish, kJapanese}},
        {"English prompt brings English to the top",
         0x0411,
         0x05,
         0x0409,
         kEnglishPrompt,
         {kEnglish, kJapanese}},
        {"empty catalogue", 0x0409, 0, 0x0409, kEnglishPrompt, {}},
    };
    const HMODULE setup = LoadLibraryExW(g_setupBuilt.c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(setup, nullptr);
    const LANGID original = g_languageList.uiLanguage;
    g_hInstance = setup;
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_languageList.languages.clear();
        g_languageList.uiLanguage = c.builtFor;
        g_languageList.BuildLanguageList(c.flags);
        g_languageList.uiLanguage = c.shownFor;
        const HWND dialog =
            CreateDialogParamW(setup, MAKEINTRESOURCEW(102), nullptr, LanguageDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(g_hDialog, dialog);
        const DialogView view = Look(dialog);
        EXPECT_EQ(view.prompt, c.prompt);
        EXPECT_EQ(view.items, c.items);
        EXPECT_EQ(view.selection, c.items.empty() ? CB_ERR : 0);
        DestroyWindow(dialog);
    }
    g_languageList.languages.clear();
    g_languageList.uiLanguage = original;
    g_languageList.BuildLanguageList(Main::kLanguageFlags);
    g_hInstance = nullptr;
    FreeLibrary(setup);
}

} // namespace
