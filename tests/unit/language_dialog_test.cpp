// The language dialog's procedure, filling Setup.exe's own template in this process.
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

// Setup.exe's resources, loaded as a data file.
Module LoadSetup() {
    return Module(LoadLibraryExW(TestPath(L"setup").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

// The language dialog of Setup.exe's template, made for a run in languages.
class LanguageDialog {
  public:
    LanguageDialog(HMODULE setup, Main::LanguageList& languages) {
        request_.module = setup;
        request_.languages = &languages;
        run_.request = &request_;
        window_ = Window(CreateDialogParamW(setup, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr,
                                            LanguageDialogProc, reinterpret_cast<LPARAM>(&run_)));
    }
    HWND Get() const {
        return window_.Get();
    }

  private:
    RunRequest request_;
    DialogRun run_;
    Window window_;
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
    const Module setup = LoadSetup();
    ASSERT_TRUE(setup.IsValid());
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        Main::LanguageList languages(c.builtFor);
        languages.BuildLanguageList(c.flags);
        languages.uiLanguage = c.shownFor;
        const LanguageDialog dialog(setup.Get(), languages);
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

// OK runs in the language of the chosen item, exactly: its transform, or
// none for English and where nothing is chosen.
TEST(ChosenLanguageTest, TheChosenItemsLanguage) {
    struct ChoiceCase {
        const char* name;
        unsigned flags;
        std::wstring chosen;      // empty: no item chosen
        const wchar_t* transform; // null: no language
    };
    const ChoiceCase cases[] = {
        {"Japanese", 5, kJapanese, L":ja-JP.mst"},
        {"English has no transform", 5, kEnglish, L""},
        {"German enabled", 0x10, kGerman, L":de-DE.mst"},
        {"Chinese enabled", 0x7F, kChinese, L":zh-TW.mst"},
        {"nothing chosen", 5, L"", nullptr},
        {"empty list", 0, L"", nullptr},
    };
    const Module setup = LoadSetup();
    ASSERT_TRUE(setup.IsValid());
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        Main::LanguageList languages(0x0409);
        languages.BuildLanguageList(c.flags);
        const LanguageDialog dialog(setup.Get(), languages);
        ASSERT_NE(dialog.Get(), nullptr);
        const HWND combo = GetDlgItem(dialog.Get(), IDC_LANGUAGE_COMBO);
        const LRESULT item = c.chosen.empty()
                                 ? CB_ERR
                                 : SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(c.chosen.c_str()));
        ASSERT_TRUE(c.chosen.empty() || item != CB_ERR);
        SendMessageW(combo, CB_SETCURSEL, item, 0);
        const Main::Language* language = ChosenLanguage(dialog.Get());
        if (c.transform == nullptr) {
            EXPECT_EQ(language, nullptr);
        } else {
            ASSERT_NE(language, nullptr);
            EXPECT_EQ(language->displayName, c.chosen);
            EXPECT_EQ(language->transform, c.transform);
        }
    }
}

} // namespace
