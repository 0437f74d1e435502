// Files and folders of the Wine prefix as the tests read, write and remove them.
#include "file_io.h"
#include "poll.h"
#include "wine_host.h"

#include "base/unique_handle.h"

#include <algorithm>

namespace testfs {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid() &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    if (!file.IsValid()) {
        return "<missing>";
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

std::vector<std::wstring> EnumerationOrder(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    const FindHandle search(FindFirstFileW((folder + pattern).c_str(), &entry));
    if (!search.IsValid()) {
        return names;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search.Get(), &entry));
    return names;
}

std::vector<std::wstring> SortedNames(const std::wstring& folder) {
    std::vector<std::wstring> names = EnumerationOrder(folder, L"*");
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::pair<std::wstring, std::string>> Snapshot(const std::wstring& folder) {
    std::vector<std::pair<std::wstring, std::string>> files;
    for (const std::wstring& name : SortedNames(folder)) {
        files.emplace_back(name, ReadBytes(folder + name));
    }
    return files;
}

void RemoveTree(const std::wstring& folder) {
    // A folder that is a link goes as the link: its target is not the test's.
    if (winehost::IsLinkItself(folder)) {
        winehost::RemoveSymbolicLink(folder.substr(0, folder.size() - 1));
        return;
    }
    if (folder.empty() || winehost::RemoveTreeInPrefix(folder)) {
        return;
    }
    WIN32_FIND_DATAW entry;
    const FindHandle search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (search.IsValid()) {
        do {
            const std::wstring name = entry.cFileName;
            const std::wstring path = folder + name;
            const bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (name == L"." || name == L"..") {
                continue;
            }
            // A link goes as such: its target lies outside the folder.
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                directory ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
            } else if (directory) {
                RemoveTree(path + L"\\");
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search.Get(), &entry));
    }
    RemoveDirectoryW(folder.c_str());
}

bool WaitForFile(const std::string& what, const std::wstring& path, DWORD limitMs, bool present) {
    return PollUntil(what, limitMs, [&] { return Exists(path) == present; });
}

std::string Narrow(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], size, nullptr, nullptr);
    }
    return result;
}

} // namespace testfs
