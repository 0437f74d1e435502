// Bytes written and read as hex pairs, for pinned streams.
#include "hex.h"

#include <cctype>
#include <cstdio>

std::string FromHex(const std::string& hex) {
    std::string bytes;
    std::string pair;
    for (char ch : hex) {
        if (isxdigit(static_cast<unsigned char>(ch))) {
            pair += ch;
        }
        if (pair.size() == 2) {
            bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
            pair.clear();
        }
    }
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    std::string hex;
    char pair[4];
    for (char byte : bytes) {
        snprintf(pair, sizeof(pair), " %02X", static_cast<unsigned char>(byte));
        hex += pair;
    }
    return hex.empty() ? hex : hex.substr(1);
}
