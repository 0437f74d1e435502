// The plainest program that does a quiet run's whole job as the launcher
// does it, and is the same kind of program: a GUI program with the
// launcher's manifest that initialises the common controls. It makes a fresh
// folder, copies the MSI and every file that the patterns match into it
// with CopyFileW, starts the system's msiexec.exe on the copy with /qn and
// waits for it, and removes the copy. The yardstick of Setup.exe /qn, so
// that the launcher's own cost shows apart from the work itself.
//
// Usage: bare_install <new folder> <source folder> <msi> <pattern>...
// Both folders with a trailing backslash; exit code 0 when all of it worked.
// Every pattern must match a file, and none the MSI.
#include <windows.h>

#include "base/unique_handle.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

bool Copy(const std::wstring& source, const std::wstring& destination, const std::wstring& name,
          std::vector<std::wstring>& copied) {
    if (!CopyFileW((source + name).c_str(), (destination + name).c_str(), TRUE)) {
        return false;
    }
    copied.push_back(destination + name);
    return true;
}

bool Install(const std::wstring& msi) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"msiexec.exe /i \"" + msi + L"\" /qn";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW((std::wstring(system) + L"\\msiexec.exe").c_str(), &command[0], nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        return false;
    }
    const KernelHandle thread(started.hThread);
    const KernelHandle process(started.hProcess);
    return WaitForSingleObject(process.Get(), INFINITE) == WAIT_OBJECT_0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX),
                                           ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    int count = 0;
    const LocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    if (count < 5) {
        return 2;
    }
    const wchar_t* const* argv = static_cast<wchar_t**>(arguments.Get());
    const std::wstring destination = argv[1];
    const std::wstring source = argv[2];
    const std::wstring msi = argv[3];
    if (!CreateDirectoryW(destination.c_str(), nullptr)) {
        return 1;
    }
    std::vector<std::wstring> copied;
    bool done = Copy(source, destination, msi, copied);
    for (int pattern = 4; done && pattern < count; ++pattern) {
        WIN32_FIND_DATAW entry = {};
        const FindHandle search(FindFirstFileW((source + argv[pattern]).c_str(), &entry));
        done = search.IsValid();
        while (done) {
            done = Copy(source, destination, entry.cFileName, copied);
            if (!FindNextFileW(search.Get(), &entry)) {
                break;
            }
        }
    }
    done = done && Install(destination + msi);
    for (const std::wstring& file : copied) {
        done = DeleteFileW(file.c_str()) && done;
    }
    done = RemoveDirectoryW(destination.c_str()) && done;
    return done ? 0 : 1;
}
