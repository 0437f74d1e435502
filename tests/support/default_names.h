// What a default build calls its product, packages and languages, as the tests expect them.
#pragma once

#include <string>

inline constexpr wchar_t kProductName[] = L"ORVANE VR-ZT042 HLX480 Driver v2.4.0.0";
// Under HKEY_CURRENT_USER.
inline constexpr wchar_t kProductKey[] =
    L"Software\\Microsoft\\ORVANE\\ORVANE VR-ZT042 HLX480 Driver v2.4.0.0";
inline constexpr wchar_t kX64[] = L"HLX480DriverInstallerx64.msi";
inline constexpr wchar_t kX86[] = L"HLX480DriverInstallerx86.msi";

// Whether this 32-bit test program runs on 64-bit Windows.
bool IsWow64();
// The package this Windows needs: x64 under WOW64, x86 on 32-bit Windows;
// and the one it does not need.
std::wstring OwnPackage();
std::wstring OtherPackage();

// The launcher's texts of the message boxes for a package that could not be
// staged and an installer that could not be started.
extern const wchar_t kInitialisationMessage[];
extern const wchar_t kStartMessage[];
// And of the box for a package that is not the one a sealed launcher was built with.
extern const wchar_t kChangedMessage[];

// The language dialog's items.
inline const std::wstring kEnglish = L"English";
inline const std::wstring kJapanese = L"Japanese - \u65E5\u672C\u8A9E"; // "Japanese - 日本語"
// "Chinese (Traditional) - 中文 (繁體)"
inline const std::wstring kChinese = L"Chinese (Traditional) - \u4E2D\u6587 (\u7E41\u9AD4)";
inline const std::wstring kDutch = L"Dutch - Nederlands";
inline const std::wstring kGerman = L"German - Deutch";
inline const std::wstring kFrench = L"French - Fran\u00E7ais"; // "French - Français"
inline const std::wstring kItalian = L"Italian - Italiano";

// The language dialog's prompts.
inline const std::wstring kEnglishPrompt = L"Select language:";
inline const std::wstring kJapanesePrompt =
    L"\u8A00\u8A9E\u3092\u9078\u629E\u3059\u308B:";                      // "言語を選択する:"
inline const std::wstring kChinesePrompt = L"\u9078\u64C7\u8A9E\u8A00:"; // "選擇語言:"
inline const std::wstring kGermanPrompt = L"Sprache ausw\u00E4hlen:";    // "Sprache auswählen:"
