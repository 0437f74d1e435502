// Bytes written and read as hex pairs, for pinned streams.
#pragma once

#include <string>

// Bytes written as hex pairs ("06 00 FF"), so that pinned streams read like a
// dump of them; spaces and line breaks between pairs are ignored.
std::string FromHex(const std::string& hex);
std::string ToHex(const std::string& bytes);
