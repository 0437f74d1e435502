// Answers the language dialog of a running Setup.exe for the demonstration:
// waits for it, reports its items, picks the first item that begins with the
// given text and presses OK, then reports the installer that the launcher
// starts and the staging folder it uses, until Setup.exe has ended.
//
// Usage: dialog_probe <item start> <file that tells the dialog has appeared>
//        <file that allows the probe to answer>
// Between the two files the caller photographs the dialog.
#include "dialog_keys.h"
#include "file_io.h"
#include "poll.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Say(const std::wstring& text) {
    const std::string line = "   " + testfs::Narrow(text) + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

struct Search {
    HWND dialog = nullptr;
    DWORD processId = 0;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    wchar_t className[64] = {};
    wchar_t caption[64] = {};
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, caption, 64);
    if (std::wstring(className) == L"#32770" && std::wstring(caption) == L"Setup" &&
        IsWindowVisible(window)) {
        auto* search = reinterpret_cast<Search*>(parameter);
        search->dialog = window;
        GetWindowThreadProcessId(window, &search->processId);
        return FALSE;
    }
    return TRUE;
}

// The process id of a running msiexec.exe whose parent is the launcher.
DWORD InstallerOf(DWORD launcher) {
    DWORD found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == launcher &&
            lstrcmpiW(entry.szExeFile, L"msiexec.exe") == 0) {
            found = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    return found;
}

// The names in the first QLNxxxx folder of the temporary folder.
bool StagingListing(std::wstring& folder, std::vector<std::wstring>& names) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"QLN*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    folder = std::wstring(temp) + entry.cFileName + L"\\";
    FindClose(search);
    names.clear();
    search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return !names.empty();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: dialog_probe <item start> <appeared file> <answer file>\n");
        return 2;
    }
    const std::wstring wanted = argv[1];
    Search search;
    if (!PollUntil("language dialog appears", kDemoDialogMs, [&] {
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
            return search.dialog != nullptr;
        })) {
        Say(L"The language dialog did not appear within " + std::to_wstring(kDemoDialogMs / 1000) +
            L" s.");
        return 1;
    }
    wchar_t prompt[256] = {};
    GetDlgItemTextW(search.dialog, 1001, prompt, 256);
    const std::vector<std::wstring> items = LanguageItems(search.dialog);
    Say(L"The language dialog asks \"" + std::wstring(prompt) + L"\" and offers:");
    for (const std::wstring& item : items) {
        Say(L"  " + item);
    }

    HANDLE appeared = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (appeared != INVALID_HANDLE_VALUE) {
        CloseHandle(appeared);
    }
    testfs::WaitForFile("dialog photographed", argv[3], kDemoPictureMs);

    size_t choice = 0;
    while (choice < items.size() && items[choice].compare(0, wanted.size(), wanted) != 0) {
        ++choice;
    }
    if (choice == items.size()) {
        Say(L"No item begins with \"" + wanted + L"\"; cancelling.");
        CancelDialog(search.dialog);
        return 1;
    }
    Say(L"Choosing \"" + items[choice] + L"\" and pressing OK.");
    ChooseLanguage(search.dialog, items[choice]);

    // Watch the run closely enough to catch a short install.
    HANDLE launcher = OpenProcess(SYNCHRONIZE, FALSE, search.processId);
    bool installerSeen = false;
    while (launcher != nullptr && WaitForSingleObject(launcher, 5) == WAIT_TIMEOUT) {
        const DWORD installer = installerSeen ? 0 : InstallerOf(search.processId);
        if (installer == 0) {
            continue;
        }
        installerSeen = true;
        Say(L"Setup.exe started msiexec.exe (process " + std::to_wstring(installer) +
            L") and waits for it.");
        // The staging is complete once the installer runs.
        std::wstring folder;
        std::vector<std::wstring> names;
        if (StagingListing(folder, names)) {
            Say(L"It staged the package in " + folder + L":");
            for (const std::wstring& name : names) {
                Say(L"  " + name);
            }
        }
    }
    if (launcher != nullptr) {
        CloseHandle(launcher);
    }
    return 0;
}
