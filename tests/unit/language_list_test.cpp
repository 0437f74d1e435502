// The languages on offer, their order, and the words the launcher shows for them.
#include "language/language_list.h"
#include "default_names.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::wstring> DisplayNames(const Main::LanguageList& list) {
    std::vector<std::wstring> names;
    for (const Main::Language& language : list.languages) {
        names.push_back(language.displayName);
    }
    return names;
}

struct OrderCase {
    const char* name;
    LANGID uiLanguage;
    unsigned flags;
    std::vector<std::wstring> expected;
};

const std::vector<std::wstring> kAllInBuildOrder = {kEnglish, kJapanese, kChinese, kDutch,
                                                    kGerman,  kFrench,   kItalian};

const OrderCase kOrderCases[] = {
    {"Japanese UI, launcher flags", 0x0411, 5, {kJapanese, kEnglish}},
    {"English UI, launcher flags", 0x0409, 5, {kEnglish, kJapanese}},
    {"German UI without German", 0x0407, 5, {kEnglish, kJapanese}},
    {"Taiwan", 0x0404, 0x7F, {kChinese, kEnglish, kJapanese, kDutch, kGerman, kFrench, kItalian}},
    {"Hong Kong",
     0x0C04,
     0x7F,
     {kChinese, kEnglish, kJapanese, kDutch, kGerman, kFrench, kItalian}},
    {"Macao", 0x1404, 0x7F, {kChinese, kEnglish, kJapanese, kDutch, kGerman, kFrench, kItalian}},
    {"PRC keeps build order", 0x0804, 0x7F, kAllInBuildOrder},
    {"Singapore keeps build order", 0x1004, 0x7F, kAllInBuildOrder},
    {"Dutch Belgium",
     0x0813,
     0x7F,
     {kDutch, kEnglish, kJapanese, kChinese, kGerman, kFrench, kItalian}},
    {"German", 0x0407, 0x7F, {kGerman, kEnglish, kJapanese, kChinese, kDutch, kFrench, kItalian}},
    {"French Canada",
     0x0C0C,
     0x7F,
     {kFrench, kEnglish, kJapanese, kChinese, kDutch, kGerman, kItalian}},
    {"Italian", 0x0410, 0x7F, {kItalian, kEnglish, kJapanese, kChinese, kDutch, kGerman, kFrench}},
    {"Spanish leaves English first", 0x0C0A, 0x7F, kAllInBuildOrder},
    {"no English, UI outside the table",
     0x0C0A,
     0x7E,
     {kJapanese, kChinese, kDutch, kGerman, kFrench, kItalian}},
    {"Dutch bit alone", 0x0409, 0x02, {kDutch}},
    {"bits above 0x40 ignored", 0x0409, 0x85, {kEnglish, kJapanese}},
    {"flags 0 give an empty list", 0x0411, 0, {}},
};

TEST(BuildLanguageListTest, OrderFollowsFlagsAndUiLanguage) {
    for (const OrderCase& c : kOrderCases) {
        Main::LanguageList list(c.uiLanguage);
        list.BuildLanguageList(c.flags);
        EXPECT_EQ(DisplayNames(list), c.expected) << c.name;
    }
}

TEST(BuildLanguageListTest, EntriesCarryIdentifierAndTransform) {
    Main::LanguageList list(0x0409);
    list.BuildLanguageList(0x7F);
    struct Expected {
        int languageId;
        const wchar_t* transform;
    };
    const Expected expected[] = {
        {9, L""},           {17, L":ja-JP.mst"}, {0x7C04, L":zh-TW.mst"}, {19, L":nl-NL.mst"},
        {7, L":de-DE.mst"}, {12, L":fr-FR.mst"}, {16, L":it-IT.mst"}};
    ASSERT_EQ(list.languages.size(), std::size(expected));
    auto entry = list.languages.begin();
    for (const Expected& e : expected) {
        EXPECT_EQ(entry->languageId, e.languageId);
        EXPECT_EQ(entry->transform, e.transform);
        EXPECT_LT(entry->displayName.size(), 64u);
        ++entry;
    }
}

TEST(MoveLanguageToFrontTest, Table) {
    struct MoveCase {
        const char* name;
        int languageId;
        std::vector<std::wstring> expected;
    };
    const MoveCase cases[] = {
        {"already first", 9, {kEnglish, kJapanese, kDutch}},
        {"from the middle", 17, {kJapanese, kEnglish, kDutch}},
        {"from the end", 19, {kDutch, kEnglish, kJapanese}},
        {"not in the list", 7, {kEnglish, kJapanese, kDutch}},
        {"primary language of a full LANGID does not match", 0x0411, {kEnglish, kJapanese, kDutch}},
    };
    for (const MoveCase& c : cases) {
        Main::LanguageList list(0x0409);
        list.BuildLanguageList(0x07);
        list.MoveLanguageToFront(c.languageId);
        EXPECT_EQ(DisplayNames(list), c.expected) << c.name;
    }
}

TEST(MoveLanguageToFrontTest, EmptyListStaysEmpty) {
    Main::LanguageList list(0x0409);
    list.MoveLanguageToFront(9);
    EXPECT_TRUE(list.languages.empty());
}

TEST(MoveLanguageToFrontTest, MovedEntryKeepsAllFields) {
    Main::LanguageList list(0x0409);
    list.BuildLanguageList(5);
    list.MoveLanguageToFront(17);
    EXPECT_EQ(list.languages.front().languageId, 17);
    EXPECT_EQ(list.languages.front().transform, L":ja-JP.mst");
    EXPECT_EQ(list.languages.front().displayName, kJapanese);
}

TEST(ChooseLanguagePromptTest, LocalisedOnlyForAListedLanguage) {
    struct PromptCase {
        const char* name;
        LANGID uiLanguage;
        unsigned flags; // of the list, built for the same UI language
        std::wstring prompt;
        bool englishFirst;
    };
    const PromptCase cases[] = {
        {"English", 0x0409, 0x05, kEnglishPrompt, true},
        {"Japanese", 0x0411, 0x05, kJapanesePrompt, false},
        {"German, not offered", 0x0407, 0x05, kEnglishPrompt, true},
        {"German, offered", 0x0407, 0x11, kGermanPrompt, false},
        {"French Canada", 0x0C0C, 0x21, L"Choisir la langue:", false},
        {"Italian", 0x0410, 0x41, L"Seleziona la lingua:", false},
        {"Dutch Belgium", 0x0813, 0x03, L"Selecteer taal:", false},
        {"Taiwan", 0x0404, 0x09, kChinesePrompt, false},
        {"Macao", 0x1404, 0x09, kChinesePrompt, false},
        {"PRC keeps the build order", 0x0804, 0x09, kEnglishPrompt, false},
        {"Chinese not offered", 0x0404, 0x05, kEnglishPrompt, true},
        {"Spanish", 0x0C0A, 0x7F, kEnglishPrompt, true},
        {"empty list", 0x0411, 0x00, kEnglishPrompt, true},
    };
    for (const PromptCase& c : cases) {
        Main::LanguageList list(c.uiLanguage);
        list.BuildLanguageList(c.flags);
        const LanguagePrompt chosen = ChooseLanguagePrompt(c.uiLanguage, list.languages);
        EXPECT_EQ(chosen.text, c.prompt) << c.name;
        EXPECT_EQ(chosen.englishFirst, c.englishFirst) << c.name;
    }
}

TEST(LanguageListTest, GlobalCatalogueIsBuiltBeforeMainFromTheUiLanguage) {
    EXPECT_EQ(g_languageList.uiLanguage, GetUserDefaultUILanguage());
    ASSERT_EQ(g_languageList.languages.size(), 2u);
    Main::LanguageList expected(GetUserDefaultUILanguage());
    expected.BuildLanguageList(5);
    EXPECT_EQ(DisplayNames(g_languageList), DisplayNames(expected));
}

} // namespace
