#include "process_runner.h"
#include "test_files.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

void PressKey(HWND window, WORD key) {
    INPUT presses[2] = {};
    presses[0].type = INPUT_KEYBOARD;
    presses[0].ki.wVk = key;
    presses[1] = presses[0];
    presses[1].ki.dwFlags = KEYEVENTF_KEYUP;
    // Keys go to the window that has the focus in the foreground window; one
    // pressed before the focus has come is lost, so it is pressed again until
    // the window reacts (it closes or hides).
    const ULONGLONG deadline = GetTickCount64() + kAnswerMs;
    do {
        SetForegroundWindow(window);
        SendInput(2, presses, sizeof(INPUT));
        for (int waited = 0; waited < 2000; waited += 50) {
            if (!IsWindow(window) || !IsWindowVisible(window)) {
                return;
            }
            Sleep(50);
        }
    } while (GetTickCount64() < deadline);
}

void CancelDialog(HWND dialog) {
    PressKey(dialog, VK_ESCAPE);
}

std::vector<std::wstring> LanguageItems(HWND dialog) {
    std::vector<std::wstring> items;
    const HWND combo = GetDlgItem(dialog, 1000);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
        std::wstring item(length > 0 ? length + 1 : 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
        item.resize(wcslen(item.c_str()));
        items.push_back(item);
    }
    return items;
}

bool ChooseLanguage(HWND dialog, const std::wstring& item) {
    const std::vector<std::wstring> items = LanguageItems(dialog);
    const auto found = std::find(items.begin(), items.end(), item);
    if (found == items.end()) {
        return false;
    }
    const HWND combo = GetDlgItem(dialog, 1000);
    SendMessageW(combo, CB_SETCURSEL, found - items.begin(), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1000, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    // Enter presses the default button, OK.
    PressKey(dialog, VK_RETURN);
    return true;
}

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
    WaitForSingleObject(process, 5000);
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
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    bool acted = !options.whileRunning;
    while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
        acted = acted || options.whileRunning();
        if (GetTickCount64() > deadline) {
            ADD_FAILURE() << testfs::Narrow(commandLine) << " did not end within "
                          << options.timeoutMs / 1000 << " s";
            EndProcessTree(process.dwProcessId, process.hProcess);
            break;
        }
        WindowSearch search{process.dwProcessId, {}};
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
            } else {
                result.dialogSeen = true;
                options.onDialog(window);
            }
        }
    }
    result.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    return result;
}

UnseenDesktop::UnseenDesktop() {
    const std::wstring station = L"SetupTestUnseen" + std::to_wstring(GetCurrentProcessId());
    station_ = CreateWindowStationW(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    const HWINSTA own = GetProcessWindowStation();
    // A desktop is made in the process's own window station.
    if (station_ == nullptr || !SetProcessWindowStation(station_)) {
        return;
    }
    desktop_ = CreateDesktopW(L"Unseen", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    if (desktop_ != nullptr) {
        name_ = station + L"\\Unseen";
    }
}

UnseenDesktop::~UnseenDesktop() {
    if (desktop_ != nullptr) {
        CloseDesktop(desktop_);
    }
    if (station_ != nullptr) {
        CloseWindowStation(station_);
    }
}
