#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Reads text from a call of the GetModuleFileNameW / GetTempPathW kind, which
// returns 0 on failure and, when the buffer is too small, either the buffer's
// size or the size it needs: the buffer grows until the text fits, so that a
// long path never arrives cut short. False when the call fails.
template <typename Read> bool ReadGrownText(Read read, std::wstring& text) {
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

// The running executable's full path; false when it cannot be obtained.
inline bool ReadModuleFileName(std::wstring& path) {
    return ReadGrownText(
        [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); },
        path);
}
