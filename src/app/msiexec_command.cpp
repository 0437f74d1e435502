#include "app/msiexec_command.h"
#include "app/globals.h"
#include "app/grown_text.h"
#include "app/text.h"
#include "app/unique_handle.h"

#include <windows.h>

#include <vector>

namespace {

const wchar_t* const kUninstallSwitches[] = {L"/uninstall", L"-uninstall", L"/x", L"-x"};

// The full path of msiexec.exe in the system folder, or empty.
std::wstring SystemMsiexecPath() {
    std::wstring folder;
    if (!ReadGrownText(
            [](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size); },
            folder)) {
        return std::wstring();
    }
    return folder + L"\\msiexec.exe";
}

} // namespace

void EraseAll(std::wstring& text, const std::wstring& pattern) {
    if (pattern.empty()) {
        return;
    }
    // Each search restarts at the beginning so that text closing up around an
    // erased occurrence is caught as well.
    for (auto position = text.find(pattern); position != std::wstring::npos;
         position = text.find(pattern)) {
        text.erase(position, pattern.size());
    }
}

std::wstring ComposeMsiexecCommandLine(const std::wstring& commandLine, const std::wstring& msiPath,
                                       const std::wstring& transform) {
    std::wstring arguments = commandLine;
    bool uninstall = false;
    for (const wchar_t* uninstallSwitch : kUninstallSwitches) {
        if (ContainsText(arguments, uninstallSwitch)) {
            uninstall = true;
            break;
        }
    }

    std::wstring command;
    if (uninstall) {
        // All four are erased, whichever of them selected uninstalling.
        for (const wchar_t* uninstallSwitch : kUninstallSwitches) {
            EraseAll(arguments, uninstallSwitch);
        }
        command = L"msiexec.exe /x \"";
    } else {
        command = L"msiexec.exe /i \"";
    }
    command += msiPath;
    command += L"\"";

    if (!transform.empty()) {
        command += L" TRANSFORMS=\"";
        command += transform;
        command += L"\"";
    }
    // Tested on the arguments as received: erasing may leave them empty, and
    // the separator still stands then.
    if (!commandLine.empty()) {
        command += L" ";
        command += arguments;
    }
    return command;
}

std::wstring BuildMsiexecCommandLine(const std::wstring& msiPath, const std::wstring& transform) {
    return ComposeMsiexecCommandLine(g_commandLine, msiPath, transform);
}

InstallerRun LaunchMsiexec(const std::wstring& msiPath, const std::wstring& transform,
                           DWORD& exitCode) {
    const std::wstring command = BuildMsiexecCommandLine(msiPath, transform);
    // CreateProcessW may write into the command-line buffer.
    std::vector<wchar_t> commandBuffer(command.begin(), command.end());
    commandBuffer.push_back(L'\0');

    // The launcher runs elevated: naming the system's msiexec.exe keeps a
    // program of that name beside the launcher, or in the current folder,
    // from being started instead.
    const std::wstring application = SystemMsiexecPath();
    if (application.empty()) {
        return InstallerRun::NotStarted;
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(application.c_str(), commandBuffer.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &info)) {
        return InstallerRun::NotStarted;
    }
    // Declared in this order, they close the process handle before the thread's.
    const KernelHandle thread(info.hThread);
    const KernelHandle process(info.hProcess);
    if (WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) {
        return InstallerRun::EndUnknown;
    }
    if (!GetExitCodeProcess(process.Get(), &exitCode)) {
        exitCode = ERROR_INSTALL_FAILURE;
    }
    return InstallerRun::Ended;
}
