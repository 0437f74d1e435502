#include "text.h"

#include <windows.h>

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0],
                            size, nullptr, nullptr);
    }
    return result;
}

std::optional<std::wstring> FromUtf8(const std::string& bytes) {
    if (bytes.empty()) {
        return std::wstring();
    }
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) {
        return std::nullopt;
    }
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &result[0], size);
    return result;
}

std::optional<std::string> ToCodepage(const std::wstring& text, unsigned codepage) {
    if (text.empty()) {
        return std::string();
    }
    // Without the flag, a missing character would silently become its
    // look-alike.
    BOOL lossy = FALSE;
    const int size =
        WideCharToMultiByte(codepage, WC_NO_BEST_FIT_CHARS, text.data(),
                            static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) {
        return std::nullopt;
    }
    std::string result(size, '\0');
    WideCharToMultiByte(codepage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        &result[0], size, nullptr, nullptr);
    return result;
}
