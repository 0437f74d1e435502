#pragma once

// Runs a program of the Wine prefix and answers its windows as a user
// would, until it ends.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    HWND owner;
    bool ownerVisible;
};

struct RunResult {
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<MessageBoxSeen> boxes; // "Error" boxes, read and confirmed
    bool dialogSeen = false;           // another dialog, given to the handler
};

// Called once for each dialog other than an error box.
using DialogHandler = std::function<void(HWND dialog)>;
void CancelDialog(HWND dialog);
// Selects the language dialog's item as a user would and presses OK; false
// when the list does not hold it.
bool ChooseLanguage(HWND dialog, const std::wstring& item);
// The items of the language dialog's list.
std::vector<std::wstring> LanguageItems(HWND dialog);

// Starts the command line (with applicationName, when not empty, as the
// program) and answers its windows until it ends. After timeoutMs the
// process and its children are ended and a failure is added.
RunResult RunAndAnswer(const std::wstring& applicationName, const std::wstring& commandLine,
                       const std::wstring& currentDirectory, DWORD timeoutMs,
                       const DialogHandler& onDialog = CancelDialog);

bool IsWow64();
