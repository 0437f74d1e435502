// What a file-system entry is, from its attributes, and folder paths.
#pragma once

#include <windows.h>

#include <string>

// "." or "..", which an enumeration lists in every folder.
inline bool IsDotEntry(const WIN32_FIND_DATAW& entry) {
    const std::wstring name = entry.cFileName;
    return name == L"." || name == L"..";
}

inline bool IsDirectory(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A junction, symbolic link or mount point: any reparse point.
inline bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Whether path names a file, not a folder; false when nothing is there.
inline bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !IsDirectory(attributes);
}

// Names as Windows compares them, without regard to case.
inline bool SameName(const wchar_t* one, const wchar_t* other) {
    return CompareStringOrdinal(one, -1, other, -1, TRUE) == CSTR_EQUAL;
}

// The folder without its trailing backslash, as the calls that name the
// folder itself take it.
inline std::wstring WithoutSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}
