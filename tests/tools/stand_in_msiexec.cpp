// Takes the place of msiexec.exe in the test prefix. It records how it was
// started and what the staging folder held, then exits with a chosen code.
//
// SETUP_TEST_RECORD     optional: file to write (UTF-16), or a folder (ending in a
//                       backslash) to write "QLNxxxx.txt" into: its own module
//                       path, its command line, the staged package's folder,
//                       one line per file in that folder: name and size; one
//                       line per file: "access <name> write <e> delete <e>
//                       read <e>", the errors of opening it for writing, for
//                       deleting and for reading (0: it opened); last
//                       "inherited <n>", the handles to those files that it
//                       inherited from the launcher.
// SETUP_TEST_WAIT_FILE  optional: after recording, wait (at most kProceedMs,
//                       tests/support/time_limits.h) until this file exists.
// SETUP_TEST_EXIT_CODE  optional: the exit code, decimal or 0x hexadecimal,
//                       0 by default.
#include "poll.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[2048] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 2048);
    return length > 0 && length < 2048 ? std::wstring(value, length) : std::wstring();
}

// The folder of the first double-quoted argument, which is the package path.
std::wstring QuotedPackageFolder(const std::wstring& commandLine) {
    const auto open = commandLine.find(L'"', commandLine.find(L' '));
    if (open == std::wstring::npos) {
        return std::wstring();
    }
    const auto close = commandLine.find(L'"', open + 1);
    if (close == std::wstring::npos) {
        return std::wstring();
    }
    const std::wstring path = commandLine.substr(open + 1, close - open - 1);
    const auto backslash = path.rfind(L'\\');
    return backslash == std::wstring::npos ? std::wstring() : path.substr(0, backslash + 1);
}

std::vector<WIN32_FIND_DATAW> Files(const std::wstring& folder) {
    std::vector<WIN32_FIND_DATAW> files;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return files;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            files.push_back(entry);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return files;
}

// What keeps others from a staged file: the error of opening it, or 0.
DWORD OpenError(const std::wstring& path, DWORD access) {
    const HANDLE file =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(file);
    return 0;
}

bool EndsWithName(const std::wstring& path, const std::wstring& name) {
    return path.size() > name.size() && path[path.size() - name.size() - 1] == L'\\' &&
           CompareStringOrdinal(path.c_str() + path.size() - name.size(), -1, name.c_str(), -1,
                                TRUE) == CSTR_EQUAL;
}

// Handles of this process that name one of the files; only inherited ones
// can, as it has opened none yet.
int InheritedHandles(const std::vector<WIN32_FIND_DATAW>& files) {
    int count = 0;
    // Handle values are handed out from the lowest free one: the launcher's few
    // handles have small ones, which inherited handles keep.
    for (ULONG_PTR value = 4; value < 0x1000; value += 4) {
        wchar_t path[1024] = {};
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        if (GetFileType(handle) != FILE_TYPE_DISK ||
            GetFinalPathNameByHandleW(handle, path, 1024, FILE_NAME_NORMALIZED) == 0) {
            continue;
        }
        for (const WIN32_FIND_DATAW& file : files) {
            count += EndsWithName(path, file.cFileName) ? 1 : 0;
        }
    }
    return count;
}

std::wstring Listing(const std::wstring& folder) {
    const std::vector<WIN32_FIND_DATAW> files = Files(folder);
    const int inherited = InheritedHandles(files);
    std::wstring lines;
    for (const WIN32_FIND_DATAW& file : files) {
        lines += std::wstring(file.cFileName) + L" " + std::to_wstring(file.nFileSizeLow) + L"\n";
    }
    for (const WIN32_FIND_DATAW& file : files) {
        const std::wstring path = folder + file.cFileName;
        lines += L"access " + std::wstring(file.cFileName) + L" write " +
                 std::to_wstring(OpenError(path, GENERIC_WRITE)) + L" delete " +
                 std::to_wstring(OpenError(path, DELETE)) + L" read " +
                 std::to_wstring(OpenError(path, GENERIC_READ)) + L"\n";
    }
    return lines + L"inherited " + std::to_wstring(inherited) + L"\n";
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring commandLine = GetCommandLineW();
    const std::wstring folder = QuotedPackageFolder(commandLine);
    std::wstring recordPath = Variable(L"SETUP_TEST_RECORD");
    // A folder gets one record per staging folder, for launchers run side by side.
    if (!recordPath.empty() && recordPath.back() == L'\\' && folder.size() > 1) {
        const std::wstring staged = folder.substr(0, folder.size() - 1);
        recordPath += staged.substr(staged.rfind(L'\\') + 1) + L".txt";
    }
    // Without a record to write, nothing is looked at: the benchmarks time the
    // launcher, not these checks.
    if (!recordPath.empty()) {
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        const std::wstring record =
            std::wstring(module) + L"\n" + commandLine + L"\n" + folder + L"\n" + Listing(folder);
        HANDLE file = CreateFileW(recordPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)),
                      &written, nullptr);
            CloseHandle(file);
        }
    }
    // The record exists before the wait, so that an observer can look at the
    // launcher while the installer runs.
    const std::wstring waitFile = Variable(L"SETUP_TEST_WAIT_FILE");
    if (!waitFile.empty()) {
        PollUntil("installer told to end", kProceedMs,
                  [&] { return GetFileAttributesW(waitFile.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    const std::wstring exitCode = Variable(L"SETUP_TEST_EXIT_CODE");
    // Any 32-bit code, "0xC0000005" too.
    return static_cast<int>(wcstoul(exitCode.c_str(), nullptr, 0));
}
