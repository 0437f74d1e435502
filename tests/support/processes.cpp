// Programs of the prefix started, their windows answered as a user would until they end.
#include "processes.h"
#include "file_io.h"
#include "poll.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <set>

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (processId == search->processId && std::wstring(className) == L"#32770" &&
        IsWindowVisible(window)) {
        search->windows.push_back(window);
    }
    return TRUE;
}

// An installer that hangs leaves its own children behind otherwise.
void EndProcessTree(DWORD processId, HANDLE process) {
    const FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.IsValid()) {
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
             more = Process32NextW(snapshot.Get(), &entry)) {
            if (entry.th32ParentProcessID != processId) {
                continue;
            }
            const KernelHandle child(
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
            if (child.IsValid()) {
                EndProcessTree(entry.th32ProcessID, child.Get());
            }
        }
    }
    TerminateProcess(process, 1);
    WaitForObject("terminated process ends", process, kTerminatedMs);
}

// The step's name in the waits file: "process ends: Setup.exe /qn".
std::string ProcessEnds(const std::wstring& commandLine) {
    const size_t quote = commandLine.compare(0, 1, L"\"") == 0 ? 1 : 0;
    const size_t end = commandLine.find(quote ? L'"' : L' ', quote);
    const std::wstring program = commandLine.substr(quote, end - quote);
    const size_t name = program.find_last_of(L"\\/");
    return "process ends: " +
           testfs::Narrow(program.substr(name == std::wstring::npos ? 0 : name + 1) +
                          (end == std::wstring::npos ? L"" : commandLine.substr(end + quote)));
}

void AnswerWindows(DWORD processId, const RunOptions& options, std::set<HWND>& answered,
                   RunResult& result) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.windows) {
        if (!answered.insert(window).second) {
            continue;
        }
        wchar_t caption[256] = {};
        GetWindowTextW(window, caption, 256);
        if (std::wstring(caption) == L"Error") {
            wchar_t text[1024] = {};
            GetDlgItemTextW(window, 0xFFFF, text, 1024);
            const HWND owner = GetWindow(window, GW_OWNER);
            result.boxes.push_back({caption, text, owner, IsWindowVisible(owner) != FALSE});
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        } else if (FindWindowExW(window, nullptr, L"msctls_progress32", nullptr) != nullptr) {
            result.progressSeen = true;
            if (options.onProgress) {
                options.onProgress(window);
            }
        } else {
            result.dialogSeen = true;
            options.onDialog(window);
        }
    }
}

} // namespace

KernelHandle StartProgram(const std::wstring& application, std::wstring commandLine,
                          bool inheritHandles, const std::wstring& currentDirectory) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), &commandLine[0],
                        nullptr, nullptr, inheritHandles ? TRUE : FALSE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup,
                        &started)) {
        ADD_FAILURE() << "could not start " << testfs::Narrow(commandLine) << ": "
                      << GetLastError();
        return KernelHandle();
    }
    const KernelHandle thread(started.hThread);
    return KernelHandle(started.hProcess);
}

RunResult RunAndAnswer(const std::wstring& commandLine, const RunOptions& options) {
    RunResult result;
    std::wstring buffer = commandLine;
    std::wstring desktop = options.desktop;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.empty() ? nullptr : &desktop[0];
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(options.applicationName.empty() ? nullptr : options.applicationName.c_str(),
                        &buffer[0], nullptr, nullptr, FALSE, 0, nullptr,
                        options.currentDirectory.empty() ? nullptr
                                                         : options.currentDirectory.c_str(),
                        &startup, &process)) {
        ADD_FAILURE() << "could not start " << testfs::Narrow(commandLine) << ": "
                      << GetLastError();
        return result;
    }
    result.started = true;
    const KernelHandle thread(process.hThread);
    const KernelHandle owned(process.hProcess);
    std::set<HWND> answered;
    bool acted = !options.whileRunning;
    // The wait for the process is the pause: it ends the moment the process does.
    const auto ended = [&] {
        if (WaitForSingleObject(process.hProcess, kPollPauseMs) != WAIT_TIMEOUT) {
            return true;
        }
        acted = acted || options.whileRunning();
        AnswerWindows(process.dwProcessId, options, answered, result);
        return false;
    };
    if (!PollUntil(ProcessEnds(commandLine), options.timeoutMs, ended, 0)) {
        ADD_FAILURE() << testfs::Narrow(commandLine) << " did not end within "
                      << options.timeoutMs / 1000 << " s";
        EndProcessTree(process.dwProcessId, process.hProcess);
    }
    result.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    return result;
}

bool WaitForEnd(HANDLE process, const std::wstring& commandLine, DWORD limitMs) {
    return WaitForObject(ProcessEnds(commandLine), process, limitMs);
}
