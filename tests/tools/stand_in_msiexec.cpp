// Takes the place of msiexec.exe in the test prefix. It records how it was
// started and what the staging folder held, then exits with a chosen code.
//
// SETUP_TEST_RECORD     file to write (UTF-16): its own module path, its
//                       command line, the staged package's folder, and one
//                       line per file in that folder: name and size.
// SETUP_TEST_WAIT_FILE  optional: after recording, wait (at most 30 s) until
//                       this file exists.
// SETUP_TEST_EXIT_CODE  optional: the exit code, 0 by default.
#include <windows.h>

#include <string>

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

std::wstring Listing(const std::wstring& folder) {
    std::wstring lines;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return lines;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            lines += name + L" " + std::to_wstring(entry.nFileSizeLow) + L"\n";
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return lines;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring commandLine = GetCommandLineW();
    const std::wstring folder = QuotedPackageFolder(commandLine);
    const std::wstring record =
        std::wstring(module) + L"\n" + commandLine + L"\n" + folder + L"\n" + Listing(folder);

    const std::wstring recordPath = Variable(L"SETUP_TEST_RECORD");
    if (!recordPath.empty()) {
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
    for (int i = 0; !waitFile.empty() && i < 300; ++i) {
        if (GetFileAttributesW(waitFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
        Sleep(100);
    }
    const std::wstring exitCode = Variable(L"SETUP_TEST_EXIT_CODE");
    return exitCode.empty() ? 0 : _wtoi(exitCode.c_str());
}
