// Programs of the prefix started, their windows answered as a user would until they end.
#pragma once

// RunOptions answers a dialog with CancelDialog unless told otherwise.
#include "dialog_keys.h"
#include "time_limits.h"

#include "base/unique_handle.h"

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
    bool progressSeen = false;         // the launcher's progress window
};

// Called once for each dialog other than an error box.
using DialogHandler = std::function<void(HWND dialog)>;

struct RunOptions {
    std::wstring applicationName;  // the program, when not the command line's first word
    std::wstring currentDirectory; // empty: the caller's
    DWORD timeoutMs = kRunMs;      // then the process and its children are ended
    // "station\desktop" to start in, such as UnseenDesktop's; empty: the
    // caller's. Windows there are neither seen nor answered.
    std::wstring desktop;
    DialogHandler onDialog = CancelDialog;
    // For the launcher's progress window (a dialog that holds a progress
    // bar), which a staging slower than half a second shows wherever the
    // installer shows itself; left alone when empty.
    DialogHandler onProgress;
    // Called from the wait, in the caller's thread, until it returns true: for
    // what a test does while the program runs (Wine under an emulator does
    // not bear a second thread that waits beside this one).
    std::function<bool()> whileRunning;
};

// Starts a program that needs no answer (application may be empty: the
// command line's first word), handing this process's inheritable handles
// on or not; the process, or an empty handle with a failure added.
KernelHandle StartProgram(const std::wstring& application, std::wstring commandLine,
                          bool inheritHandles = false,
                          const std::wstring& currentDirectory = std::wstring());

// Starts the command line and answers its windows until it ends. A process
// that outlives options.timeoutMs is ended with its children, and a failure
// is added. The run goes to the waits file (poll.h) as
// "process ends: <program's file name> <arguments>".
RunResult RunAndAnswer(const std::wstring& commandLine, const RunOptions& options);

// Waits within limitMs for a process, started with commandLine, to end;
// logged as RunAndAnswer's runs are.
bool WaitForEnd(HANDLE process, const std::wstring& commandLine, DWORD limitMs = kRunMs);
