// The plainest program that stages a package as the launcher does: it makes a
// fresh folder and copies into it, with CopyFileW, every file of the source
// folder that each pattern matches. The yardstick for the launcher's staging,
// so that the launcher's own cost shows apart from Wine's copying.
//
// Usage: bare_copy <new folder> <source folder> <pattern>...
// Both folders with a trailing backslash; exit code 0 when every copy worked.
#include <windows.h>

#include "app/unique_handle.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fwprintf(stderr, L"usage: bare_copy <new folder> <source folder> <pattern>...\n");
        return 2;
    }
    const std::wstring destination = argv[1];
    const std::wstring source = argv[2];
    if (!CreateDirectoryW(destination.c_str(), nullptr)) {
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        WIN32_FIND_DATAW entry = {};
        const FindHandle search(FindFirstFileW((source + argv[i]).c_str(), &entry));
        if (!search.IsValid()) {
            return 1;
        }
        do {
            if (!CopyFileW((source + entry.cFileName).c_str(),
                           (destination + entry.cFileName).c_str(), FALSE)) {
                return 1;
            }
        } while (FindNextFileW(search.Get(), &entry));
    }
    return 0;
}
