// Waits for a condition within a limit, each wait measured and logged.
#include "poll.h"

#include "base/unique_handle.h"

bool PollUntil(const std::string& what, DWORD limitMs, const std::function<bool()>& condition,
               DWORD pauseMs) {
    const ULONGLONG start = GetTickCount64();
    bool cameTrue = condition();
    while (!cameTrue && GetTickCount64() - start < limitMs) {
        Sleep(pauseMs);
        cameTrue = condition();
    }
    LogWait(what, GetTickCount64() - start, limitMs, cameTrue);
    return cameTrue;
}

bool WaitForObject(const std::string& what, HANDLE object, DWORD limitMs) {
    const ULONGLONG start = GetTickCount64();
    const bool came = WaitForSingleObject(object, limitMs) == WAIT_OBJECT_0;
    LogWait(what, GetTickCount64() - start, limitMs, came);
    return came;
}

void LogWait(const std::string& what, ULONGLONG waitedMs, DWORD limitMs, bool cameTrue) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"SETUP_TEST_WAITS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    std::string line = what;
    for (char& ch : line) {
        ch = ch == '\t' || ch == '\r' || ch == '\n' ? ' ' : ch;
    }
    line += "\t" + std::to_string(waitedMs) + "\t" + std::to_string(limitMs) +
            (cameTrue ? "\t1\n" : "\t0\n");
    // Test programs run side by side, in prefixes of their own too. The line
    // goes in one write, appended; Wine appends where it found the end, which
    // another process may be writing to as well, so the file is locked for it.
    const FileHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    OVERLAPPED whole = {};
    if (!file.IsValid() ||
        !LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        return;
    }
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
}
