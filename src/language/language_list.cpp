// The installer languages on offer, and every word the launcher translates.
#include "language/language_list.h"
#include "base/globals.h"

namespace Main {

namespace {

struct CatalogueEntry {
    unsigned flag;
    int languageId;
    const wchar_t* transform;
    const wchar_t* displayName;
};

// In the order the flags are tested, which is the order of the built list.
const CatalogueEntry kCatalogue[] = {
    {0x01, LANG_ENGLISH, L"", L"English"},
    // "Japanese - 日本語"
    {0x04, LANG_JAPANESE, L":ja-JP.mst", L"Japanese - \u65E5\u672C\u8A9E"},
    // "Chinese (Traditional) - 中文 (繁體)"
    {0x08, LANG_CHINESE_TRADITIONAL, L":zh-TW.mst",
     L"Chinese (Traditional) - \u4E2D\u6587 (\u7E41\u9AD4)"},
    {0x02, LANG_DUTCH, L":nl-NL.mst", L"Dutch - Nederlands"},
    {0x10, LANG_GERMAN, L":de-DE.mst", L"German - Deutch"},
    // "French - Français"
    {0x20, LANG_FRENCH, L":fr-FR.mst", L"French - Fran\u00E7ais"},
    {0x40, LANG_ITALIAN, L":it-IT.mst", L"Italian - Italiano"},
};

} // namespace

Language::Language(int languageId, const std::wstring& transform, const std::wstring& displayName)
    : languageId(languageId), transform(transform), displayName(displayName) {}

LanguageList::LanguageList() : uiLanguage(GetUserDefaultUILanguage()) {
    BuildLanguageList(kLanguageFlags);
}

LanguageList::LanguageList(LANGID uiLanguage) : uiLanguage(uiLanguage) {}

LanguageList::~LanguageList() {
    languages.clear();
}

void LanguageList::AddLanguage(int languageId, const std::wstring& transform,
                               const std::wstring& displayName) {
    languages.push_back(Language(languageId, transform, displayName));
}

void LanguageList::MoveLanguageToFront(int languageId) {
    for (auto entry = languages.begin(); entry != languages.end(); ++entry) {
        if (entry->languageId == languageId) {
            if (entry != languages.begin()) {
                const Language moved = *entry;
                languages.erase(entry);
                languages.push_front(moved);
            }
            return;
        }
    }
}

void LanguageList::BuildLanguageList(unsigned languageFlags) {
    for (const CatalogueEntry& entry : kCatalogue) {
        if ((languageFlags & entry.flag) != 0) {
            AddLanguage(entry.languageId, entry.transform, entry.displayName);
        }
    }
    const int preferred = PreferredLanguageId(uiLanguage);
    if (preferred != 0) {
        MoveLanguageToFront(preferred);
    }
}

bool ReadsTraditionalChinese(LANGID uiLanguage) {
    if (PRIMARYLANGID(uiLanguage) != LANG_CHINESE) {
        return false;
    }
    const int region = SUBLANGID(uiLanguage);
    return region == SUBLANG_CHINESE_TRADITIONAL || region == SUBLANG_CHINESE_HONGKONG ||
           region == SUBLANG_CHINESE_MACAU;
}

int PreferredLanguageId(LANGID uiLanguage) {
    const int primary = PRIMARYLANGID(uiLanguage);
    switch (primary) {
    case LANG_CHINESE:
        return ReadsTraditionalChinese(uiLanguage) ? LANG_CHINESE_TRADITIONAL : 0;
    case LANG_GERMAN:
    case LANG_FRENCH:
    case LANG_ITALIAN:
    case LANG_JAPANESE:
    case LANG_DUTCH:
        return primary;
    default:
        return LANG_ENGLISH;
    }
}

} // namespace Main

namespace {

const wchar_t kEnglishPrompt[] = L"Select language:";

// The prompt in the UI language, or null when there is none for it.
const wchar_t* LocalisedPrompt(LANGID uiLanguage) {
    switch (PRIMARYLANGID(uiLanguage)) {
    case LANG_CHINESE:
        // "選擇語言:", for the regions that read the traditional script
        return Main::ReadsTraditionalChinese(uiLanguage) ? L"\u9078\u64C7\u8A9E\u8A00:" : nullptr;
    case LANG_GERMAN:
        return L"Sprache ausw\u00E4hlen:"; // "Sprache auswählen:"
    case LANG_FRENCH:
        return L"Choisir la langue:";
    case LANG_ITALIAN:
        return L"Seleziona la lingua:";
    case LANG_JAPANESE:
        return L"\u8A00\u8A9E\u3092\u9078\u629E\u3059\u308B:"; // "言語を選択する:"
    case LANG_DUTCH:
        return L"Selecteer taal:";
    default:
        return nullptr;
    }
}

} // namespace

LanguagePrompt ChooseLanguagePrompt(LANGID uiLanguage, const std::list<Main::Language>& languages) {
    bool listed = false;
    for (const Main::Language& language : languages) {
        listed = listed || PRIMARYLANGID(language.languageId) == PRIMARYLANGID(uiLanguage);
    }
    if (listed) {
        if (const wchar_t* prompt = LocalisedPrompt(uiLanguage)) {
            return LanguagePrompt{prompt, false};
        }
        // Chinese in a simplified-script region: the list keeps its build order.
        if (PRIMARYLANGID(uiLanguage) == LANG_CHINESE) {
            return LanguagePrompt{kEnglishPrompt, false};
        }
    }
    return LanguagePrompt{kEnglishPrompt, true};
}

ProgressTexts ChooseProgressTexts(LANGID language) {
    if (PRIMARYLANGID(language) == LANG_JAPANESE) {
        // "インストールの準備をしています...", "キャンセル"
        return ProgressTexts{L"\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB\u306E\u6E96\u5099\u3092\u3057"
                             L"\u3066\u3044\u307E\u3059...",
                             L"\u30AD\u30E3\u30F3\u30BB\u30EB"};
    }
    return ProgressTexts{L"Preparing the installation...", L"Cancel"};
}

// Constructed after g_commandLine (an inline variable of base/globals.h), which
// it does not read: its constructor reads the user's UI language alone.
Main::LanguageList g_languageList;
