// The installer languages on offer, and every word the launcher translates.
#pragma once

#include <windows.h>

#include <list>
#include <string>

namespace Main {

class Language {
  public:
    Language(int languageId, const std::wstring& transform, const std::wstring& displayName);
    virtual ~Language() = default;
    Language(const Language&) = default;
    Language& operator=(const Language&) = default;

    int languageId;
    // The embedded transform for TRANSFORMS, such as ":ja-JP.mst"; empty for
    // English, which the package speaks without one.
    std::wstring transform;
    std::wstring displayName;
};

// The installer languages on offer, the preferred one first.
class LanguageList {
  public:
    // Reads the user's UI language and builds the list with the launcher's
    // LanguageFlags.
    LanguageList();
    // An empty list for the given UI language, to be built by the caller.
    explicit LanguageList(LANGID uiLanguage);
    virtual ~LanguageList();
    LanguageList(const LanguageList&) = delete;
    LanguageList& operator=(const LanguageList&) = delete;

    void AddLanguage(int languageId, const std::wstring& transform,
                     const std::wstring& displayName);
    void MoveLanguageToFront(int languageId);
    void BuildLanguageList(unsigned languageFlags);

    std::list<Language> languages;
    LANGID uiLanguage;
};

// The languages the launcher offers: English (0x01) and Japanese (0x04).
constexpr unsigned kLanguageFlags = 5;

// Whether the UI language's region reads Chinese in the traditional script:
// Taiwan, Hong Kong and Macao.
bool ReadsTraditionalChinese(LANGID uiLanguage);

// The identifier of the language that the UI language prefers, or 0 when the
// list keeps its build order (Chinese in a simplified-script region).
int PreferredLanguageId(LANGID uiLanguage);

} // namespace Main

struct LanguagePrompt {
    std::wstring text;
    // An English prompt goes with English at the top of the list.
    bool englishFirst;
};

// The language dialog's prompt for the UI language: localised only when the
// list holds that language.
LanguagePrompt ChooseLanguagePrompt(LANGID uiLanguage, const std::list<Main::Language>& languages);

// The text of the progress window and of its button, in the language of
// the installation, or else of the user interface: Japanese or English.
struct ProgressTexts {
    const wchar_t* text;
    const wchar_t* cancel;
};
ProgressTexts ChooseProgressTexts(LANGID language);

extern Main::LanguageList g_languageList;
