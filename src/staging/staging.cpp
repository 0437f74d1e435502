#include "staging/staging.h"

#include <cstdlib>
#include <ctime>
#include <vector>

DWORD g_lastError = 0;

namespace {

class FindHandle {
  public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            FindClose(handle_);
        }
    }
    bool IsValid() const {
        return handle_ != INVALID_HANDLE_VALUE;
    }
    HANDLE Get() const {
        return handle_;
    }

  private:
    HANDLE handle_;
};

bool IsDotEntry(const WIN32_FIND_DATAW& entry) {
    const std::wstring name = entry.cFileName;
    return name == L"." || name == L"..";
}

bool IsDirectory(const WIN32_FIND_DATAW& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Ends an enumeration: true when it simply ran out of entries.
bool EnumerationFinished() {
    const DWORD error = GetLastError();
    g_lastError = error == ERROR_NO_MORE_FILES ? 0 : error;
    return g_lastError == 0;
}

} // namespace

std::wstring GetModuleDirectory() {
    g_lastError = 0;
    // Grown until the path fits, so that a long path never arrives cut short.
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            g_lastError = GetLastError();
            return L".";
        }
        if (length < buffer.size()) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::wstring path(buffer.data(), length);
    const auto backslash = path.rfind(L'\\');
    if (backslash == std::wstring::npos) {
        return path;
    }
    return path.substr(0, backslash + 1);
}

std::wstring StagingDirectoryName(int drawnValue) {
    wchar_t name[16] = {};
    wsprintfW(name, L"QLN%04X\\", drawnValue & 0x7FFF);
    return name;
}

std::wstring CreateStagingDirectory() {
    g_lastError = 0;
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    DWORD length = 0;
    for (;;) {
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            g_lastError = GetLastError();
            return std::wstring();
        }
        // A path that does not fit comes back as the size needed, with the
        // buffer left unfilled.
        if (length < buffer.size()) {
            break;
        }
        buffer.resize(length + 1);
    }
    std::wstring result(buffer.data(), length);

    srand(static_cast<unsigned>(time(nullptr)));
    // Kept to 15 bits, so that the name has four digits on every C library.
    result += StagingDirectoryName(rand() & 0x7FFF);

    if (!CreateDirectoryW(result.c_str(), nullptr)) {
        g_lastError = GetLastError();
        return std::wstring();
    }
    return result;
}

bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName) {
    const std::wstring source = sourceFolder + fileName;
    const std::wstring destination = destinationFolder + fileName;
    g_lastError = 0;
    if (!CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        g_lastError = GetLastError();
    }
    return g_lastError == 0;
}

bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((sourceFolder + pattern).c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    bool result = false;
    for (;;) {
        // A folder named like a matching file is not part of the package.
        if (IsDotEntry(entry) || IsDirectory(entry)) {
            result = true;
        } else {
            result = CopyPackageFile(sourceFolder, destinationFolder, entry.cFileName);
        }
        if (!result) {
            break;
        }
        if (!FindNextFileW(search.Get(), &entry)) {
            result = EnumerationFinished();
            break;
        }
    }
    return result;
}

bool DeleteDirectoryTree(const std::wstring& folder) {
    // Plain concatenation would make the pattern "\*", the root of the drive.
    if (folder.empty()) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    bool result = false;
    for (;;) {
        if (IsDotEntry(entry)) {
            result = true;
        } else {
            const std::wstring path = folder + entry.cFileName;
            if (IsDirectory(entry)) {
                result = DeleteDirectoryTree(path + L"\\");
            } else {
                result = DeleteFileW(path.c_str()) != FALSE;
            }
        }
        if (!result) {
            break;
        }
        if (!FindNextFileW(search.Get(), &entry)) {
            result = EnumerationFinished();
            if (result && !RemoveDirectoryW(folder.c_str())) {
                g_lastError = GetLastError();
                result = false;
            }
            break;
        }
    }
    return result;
}
