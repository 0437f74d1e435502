// Where the launcher stages in the prefix, and what it leaves there for the restart.
#include "launcher_places.h"
#include "file_io.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

namespace testfs {

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

std::vector<std::wstring> LauncherLogs(const std::wstring& folder) {
    std::vector<std::wstring> names = EnumerationOrder(folder, L"*_Setup_*.log");
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

} // namespace testfs
