#pragma once

#include <string>

// Every switch test is a plain substring search: case-sensitive, exact code
// units, anywhere in the text, including inside paths and quoted values.
inline bool ContainsText(const std::wstring& text, const std::wstring& pattern) {
    return text.find(pattern) != std::wstring::npos;
}
