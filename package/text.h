#pragma once

#include <optional>
#include <string>

// Text in UTF-8, as the changes file holds it and messages print it, and in a
// package's codepage.

std::string Utf8(const std::wstring& text);

// Nothing when the bytes are not UTF-8.
std::optional<std::wstring> FromUtf8(const std::string& bytes);

// Nothing when a character has no exact counterpart in the codepage.
std::optional<std::string> ToCodepage(const std::wstring& text, unsigned codepage);
