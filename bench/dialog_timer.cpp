// Times programs from their start to their first visible dialog (#32770):
// each run starts the program, polls its top-level windows, notes the time
// and cancels the dialog. The programs take turns, so that a disturbance on
// the machine falls on all of them alike, each after a pause that lets the
// previous run's aftermath settle, and a first round that is not printed
// brings Wine's files into the cache.
//
// Usage: dialog_timer <runs> <program>...
// Prints one line per run: the program's number (from 1), a tab, and the
// seconds. With no program it does nothing, which times Wine's start of
// a program.
#include <windows.h>

#include "base/unique_handle.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    DWORD processId;
    HWND dialog;
};

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wcscmp(className, L"#32770") != 0) {
        return TRUE;
    }
    search->dialog = window;
    return FALSE;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

// The milliseconds until the program's dialog was visible, or a negative
// value when it showed none within a minute or did not end when cancelled.
double TimeToDialog(const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    Sleep(300);
    LARGE_INTEGER start = {};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        std::fwprintf(stderr, L"cannot start %ls: error %lu\n", program.c_str(), GetLastError());
        return -1;
    }
    const KernelHandle thread(info.hThread);
    const KernelHandle process(info.hProcess);
    Search search = {info.dwProcessId, nullptr};
    double elapsed = -1;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    // Waiting on the process is the pause between polls, and notices a
    // program that ends without a dialog.
    while (GetTickCount64() < deadline && WaitForSingleObject(process.Get(), 1) == WAIT_TIMEOUT) {
        EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
        if (search.dialog != nullptr) {
            LARGE_INTEGER now = {};
            QueryPerformanceCounter(&now);
            elapsed = Milliseconds(start, now);
            break;
        }
    }
    if (search.dialog == nullptr) {
        std::fwprintf(stderr, L"%ls showed no dialog\n", program.c_str());
    } else {
        PostMessageW(search.dialog, WM_COMMAND, IDCANCEL, 0);
    }
    if (WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) {
        std::fwprintf(stderr, L"%ls did not end\n", program.c_str());
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 5000);
        return -1;
    }
    return elapsed;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: dialog_timer <runs> <program>...\n");
        return 2;
    }
    const long runs = std::wcstol(argv[1], nullptr, 10);
    if (argc == 2) {
        return 0;
    }
    for (long run = 0; run <= runs; ++run) {
        for (int program = 2; program < argc; ++program) {
            const double elapsed = TimeToDialog(argv[program]);
            if (elapsed < 0) {
                return 1;
            }
            if (run > 0) {
                std::printf("%d\t%.6f\n", program - 1, elapsed / 1000.0);
            }
        }
    }
    std::fflush(stdout);
    return 0;
}
