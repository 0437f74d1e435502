// The language dialog's procedure, filling Setup.exe's own template in this process.
#include "base/globals.h"
#include "base/unique_handle.h"
#include "app/language_dialog.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "default_names.h"
#include "dialog_keys.h"
#include "test_main.h"

#include <gtest/gtest.h>

namespace {

using Module = UniqueHandle<HMODULE, FreeLibrary>;
using Window = UniqueHandle<HWND, DestroyWindow>;

// Puts back what the dialog and the test change of the launcher's globals,
// also when an assertion ends the test early.
class LauncherGlobalsGuard {
  public:
    LauncherGlobalsGuard()
        : languages_(g_languageList.languages), uiLanguage_(g_languageList.uiLanguage),
          instance_(g_hInstance), dialogInstance_(g_hDialogInstance), dialog_(g_hDialog) {}
    LauncherGlobalsGuard(const LauncherGlobalsGuard&) = delete;
    LauncherGlobalsGuard& operator=(const LauncherGlobalsGuard&) = delete;
    ~LauncherGlobalsGuard() {
        g_languageList.languages = languages_;
        g_languageList.uiLanguage = uiLanguage_;
        g_hInstance = instance_;
        g_hDialogInstance = dialogInstance_;
        g_hDialog = dialog_;
    }

  private:
    const std::list<Main::Language> languages_;
    const LANGID uiLanguage_;
    const HINSTANCE instance_;
    const HINSTANCE dialogInstance_;
    const HWND dialog_;
};

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
         kChinesePrompt,
         {kChinese, kEnglish, kJapanese, kDutch, kGerman, kFrench, kItalian}},
        {"Hong Kong", 0x0C04, 0x09, 0x0C04, kChinesePrompt, {kChinese, kEnglish}},
        {"PRC keeps build order", 0x0804, 0x09, 0x0804, kEnglishPrompt, {kEnglish, kChinese}},
        {"PRC without English", 0x0804, 0x0C, 0x0804, kEnglishPrompt, {kJapanese, kChinese}},
        {"German", 0x0407, 0x11, 0x0407, kGermanPrompt, {kGerman, kEnglish}},
        {"French", 0x040C, 0x21, 0x040C, L"Choisir la langue:", {kFrench, kEnglish}},
        {"Italian", 0x0410, 0x41, 0x0410, L"Seleziona la lingua:", {kItalian, kEnglish}},
        {"Dutch Belgium", 0x0813, 0x03, 0x0813, L"Selecteer taal:", {kDutch, kEnglish}},
        {"Japanese", 0x0411, 0x05, 0x0411, kJapanesePrompt, {kJapanese, kEnglish}},
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
    // Setup.exe's resources, loaded as a data file.
    const Module setup(LoadLibraryExW(TestPath(L"setup").c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(setup.IsValid());
    const LauncherGlobalsGuard guard;
    g_hInstance = setup.Get();
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_languageList.languages.clear();
        g_languageList.uiLanguage = c.builtFor;
        g_languageList.BuildLanguageList(c.flags);
        g_languageList.uiLanguage = c.shownFor;
        const Window dialog(CreateDialogParamW(setup.Get(), MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr,
                                               LanguageDialogProc, 0));
        ASSERT_NE(dialog.Get(), nullptr);
        EXPECT_EQ(g_hDialog, dialog.Get());
        wchar_t prompt[256] = {};
        GetDlgItemTextW(dialog.Get(), IDC_LANGUAGE_PROMPT, prompt, 256);
        EXPECT_EQ(prompt, c.prompt);
        EXPECT_EQ(LanguageItems(dialog.Get()), c.items);
        EXPECT_EQ(SendDlgItemMessageW(dialog.Get(), IDC_LANGUAGE_COMBO, CB_GETCURSEL, 0, 0),
                  c.items.empty() ? CB_ERR : 0);
    }
}

} // namespace
