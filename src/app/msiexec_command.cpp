// The msiexec.exe command for the staged package, and its start.
#include "app/msiexec_command.h"
#include "app/command_line.h"
#include "base/grown_text.h"
#include "base/run_log.h"
#include "base/unique_handle.h"
#include "ui/session_end.h"

#include <windows.h>

#include <vector>

namespace {

// The full path of msiexec.exe in the system folder, or empty.
std::wstring SystemMsiexecPath() {
    std::wstring folder;
    if (!ReadSystemDirectory(folder)) {
        return std::wstring();
    }
    return folder + L"\\msiexec.exe";
}

} // namespace

std::wstring ComposeMsiexecCommandLine(const LauncherArguments& launcherArguments,
                                       const CommandAction& action, const std::wstring& msiPath,
                                       const std::wstring& transform,
                                       const std::wstring& installerLog, UpdateCase update,
                                       const std::wstring& productCode) {
    const std::wstring& commandLine = launcherArguments.text;
    const std::vector<Argument>& split = launcherArguments.split;
    std::wstring arguments = commandLine;
    // Taken out from the last, so that the places of the others hold.
    for (auto argument = split.rbegin(); argument != split.rend(); ++argument) {
        if (IsActionSwitch(argument->text)) {
            arguments.erase(argument->begin, argument->end - argument->begin);
        }
    }

    std::wstring command = L"msiexec.exe ";
    const bool decides = TakesUpdateDecision(action);
    if (update == UpdateCase::RemoveByProduct) {
        // REMOVE=ALL too: the product code, unquoted, as msiexec.exe takes it.
        command += L"/x " + productCode;
    } else if (decides) {
        command += action.action == InstallerAction::Remove ? L"/x \"" : L"/i \"";
        command += msiPath + L"\"";
    } else {
        const Argument& typed = split[action.lastSwitch];
        command +=
            commandLine.substr(typed.begin, typed.end - typed.begin) + L" \"" + msiPath + L"\"";
    }
    // The language's transform goes with an install or a removal: a repair
    // keeps those the product was installed with, and an image or an
    // advertisement takes those its own switches name.
    if (!transform.empty() && update != UpdateCase::RemoveByProduct && decides) {
        command += L" TRANSFORMS=\"" + transform + L"\"";
    }
    // Tested on the arguments as received: erasing may leave them empty, and
    // the separator still stands then.
    if (!commandLine.empty()) {
        command += L" ";
        command += arguments;
    }
    if (launcherArguments.quoteLeftOpen) {
        return command;
    }
    if (update == UpdateCase::MinorUpdate) {
        command += L" REINSTALL=ALL REINSTALLMODE=vomus";
    }
    if (!installerLog.empty()) {
        command += L" /l*v \"" + installerLog + L"\"";
    }
    return command;
}

bool SetsReinstall(const LauncherArguments& arguments) {
    for (const Argument& argument : arguments.split) {
        if (StartsWith(argument.text, L"REINSTALL=") ||
            StartsWith(argument.text, L"REINSTALLMODE=")) {
            return true;
        }
    }
    return false;
}

bool NamesInstallerLog(const LauncherArguments& arguments) {
    for (const Argument& argument : arguments.split) {
        if (IsLogSwitch(argument.text)) {
            return true;
        }
    }
    return false;
}

InstallerRun LaunchMsiexec(const std::wstring& command, DWORD& exitCode) {
    LogLine("msiexec.exe command: ", command.c_str());
    // CreateProcessW may write into the command-line buffer.
    std::wstring commandBuffer = command;

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
    if (!CreateProcessW(application.c_str(), &commandBuffer[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        LogError("msiexec.exe did not start: ", GetLastError());
        return InstallerRun::NotStarted;
    }
    LogNumber("msiexec.exe started, process ", info.dwProcessId);
    // Declared in this order, they close the process handle before the thread's.
    const KernelHandle thread(info.hThread);
    const KernelHandle process(info.hProcess);
    // Answering the session's messages meanwhile, and nothing else.
    if (WaitAnsweringSentMessages(process.Get()) != WAIT_OBJECT_0) {
        LogError("the wait for msiexec.exe failed: ", GetLastError());
        return InstallerRun::EndUnknown;
    }
    if (!GetExitCodeProcess(process.Get(), &exitCode)) {
        exitCode = ERROR_INSTALL_FAILURE;
    }
    LogError("msiexec.exe ended: ", exitCode);
    return InstallerRun::Ended;
}
