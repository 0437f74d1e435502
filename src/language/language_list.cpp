#include "language/language_list.h"

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
    {0x01, 9, L"", L"English"},
    {0x04, 17, L":ja-JP.mst", L"Japanese - \u65E5\u672C\u8A9E"},
    {0x08, 0x7C04, L":zh-TW.mst", L"Chinese (Traditional) - \u4E2D\u6587 (\u7E41\u9AD4)"},
    {0x02, 19, L":nl-NL.mst", L"Dutch - Nederlands"},
    {0x10, 7, L":de-DE.mst", L"German - Deutch"},
    {0x20, 12, L":fr-FR.mst", L"French - Fran\u00E7ais"},
    {0x40, 16, L":it-IT.mst", L"Italian - Italiano"},
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

std::wstring LanguageList::FindTransformByName(const std::wstring& displayName) const {
    if (displayName.empty()) {
        return std::wstring();
    }
    for (const Language& language : languages) {
        if (language.displayName == displayName) {
            return language.transform;
        }
    }
    return std::wstring();
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

int PreferredLanguageId(LANGID uiLanguage) {
    const int primary = uiLanguage & 0x3FF;
    const int sub = uiLanguage >> 10;
    switch (primary) {
    case 4:
        // Only the traditional-script regions read Chinese (Traditional).
        return (sub == 1 || sub == 3 || sub == 5) ? 0x7C04 : 0;
    case 7:
    case 12:
    case 16:
    case 17:
    case 19:
        return primary;
    default:
        return 9;
    }
}

} // namespace Main
