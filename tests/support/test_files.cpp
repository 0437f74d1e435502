#include "test_files.h"
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

std::wstring TempDirectory() {
    static const std::wstring temp = [] {
        wchar_t path[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, path);
        return std::wstring(path);
    }();
    return temp;
}

std::wstring WindowsTemp() {
    wchar_t windows[MAX_PATH + 1] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
    return std::wstring(windows) + L"\\Temp\\";
}

std::vector<std::wstring> StagingFolders(const std::wstring& folder) {
    std::vector<std::wstring> names = EnumerationOrder(folder, L"QLN*");
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> TakeRemovalsAtRestart(const std::wstring& folder) {
    const wchar_t key[] = L"System\\CurrentControlSet\\Control\\Session Manager";
    const wchar_t value[] = L"PendingFileRenameOperations";
    DWORD size = 0;
    std::vector<std::wstring> taken;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
        return taken;
    }
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 2);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_MULTI_SZ, nullptr, text.data(),
                     &size) != ERROR_SUCCESS) {
        return taken;
    }
    // Pairs of source and target; an empty target means deletion, so that
    // only the size tells where the list ends.
    std::vector<std::wstring> strings;
    const wchar_t* end = text.data() + size / sizeof(wchar_t);
    for (const wchar_t* next = text.data();
         next < end && (*next != L'\0' || strings.size() % 2 == 1); next += wcslen(next) + 1) {
        strings.push_back(next);
    }
    // The folder itself is named without its trailing backslash.
    const std::wstring prefix = L"\\??\\" + folder.substr(0, folder.size() - 1);
    const auto under = [&prefix](const std::wstring& path) {
        return path.size() >= prefix.size() &&
               CompareStringOrdinal(path.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                    static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL &&
               (path.size() == prefix.size() || path[prefix.size()] == L'\\');
    };
    std::wstring kept;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        const std::wstring& source = strings[i];
        if (strings[i + 1].empty() && under(source)) {
            taken.push_back(source.substr(4));
        } else {
            kept += source + L'\0' + strings[i + 1] + L'\0';
        }
    }
    RegistryKey session;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, session.Receive()) ==
        ERROR_SUCCESS) {
        if (kept.empty()) {
            RegDeleteValueW(session.Get(), value);
        } else {
            kept += L'\0';
            RegSetValueExW(session.Get(), value, 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(kept.data()),
                           static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
        }
    }
    return taken;
}

std::wstring FromHostPath(const std::wstring& path) {
    std::wstring result = path;
    std::replace(result.begin(), result.end(), L'/', L'\\');
    if (!result.empty() && result[0] == L'\\') {
        result = L"Z:" + result;
    }
    return result;
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs, bool present) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (Exists(path) == present) {
            return true;
        }
        Sleep(50);
    }
    return Exists(path) == present;
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
