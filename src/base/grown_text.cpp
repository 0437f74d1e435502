// Text of any length from the calls that fill a caller's buffer.
#include "base/grown_text.h"

bool ReadGrownText(TextReader read, std::wstring& text) {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD length = read(&buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return false;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            text = buffer;
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

bool ReadSystemDirectory(std::wstring& folder) {
    return ReadGrownText(
        [](wchar_t* buffer, DWORD size) -> DWORD { return GetSystemDirectoryW(buffer, size); },
        folder);
}
