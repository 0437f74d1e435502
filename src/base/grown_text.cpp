// Text of any length from the calls that fill a caller's buffer.
#include "base/grown_text.h"

#include <vector>

bool ReadGrownText(TextReader read, std::wstring& text) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return false;
        }
        if (length < buffer.size()) {
            text.assign(buffer.data(), length);
            return true;
        }
        buffer.resize(length + 1 > buffer.size() * 2 ? length + 1 : buffer.size() * 2);
    }
}

bool ReadModuleFileName(std::wstring& path) {
    return ReadGrownText(
        [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); },
        path);
}
