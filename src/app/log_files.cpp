// The administrators' record of a run: the launcher's log, and the installer's beside it.
#include "app/log_files.h"
#include "base/grown_text.h"
#include "base/resource_string.h"
#include "base/run_log.h"
#include "res/resource.h"
#include "staging/staging.h"

#include <sddl.h>

namespace {

// The logs' folder and name, and the security they are made with.
std::wstring g_logName;
std::wstring g_logSecurity;

// Creates path new, for administrators only: never a name that exists,
// whatever it is, and never through a link planted there.
FileHandle CreateLogFile(const std::wstring& path) {
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            g_logSecurity.c_str(), SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
        return FileHandle();
    }
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.Get(), FALSE};
    return FileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
}

// The launcher's file version, from its own version resource.
std::wstring FileVersion(HINSTANCE module) {
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    const auto* block = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const DWORD size = found != nullptr ? SizeofResource(module, found) : 0;
    // VS_FIXEDFILEINFO follows the block's key, at a boundary of four bytes.
    for (DWORD at = 0; block != nullptr && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(block + at);
        if (fixed->dwSignature == VS_FFI_SIGNATURE) {
            wchar_t version[32] = {};
            wsprintfW(version, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                      LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                      LOWORD(fixed->dwFileVersionLS));
            return version;
        }
    }
    return L"unknown";
}

} // namespace

std::wstring LogName(const std::wstring& packageName, const SYSTEMTIME& start) {
    wchar_t time[16] = {};
    wsprintfW(time, L"%04u%02u%02u%02u%02u%02u", start.wYear, start.wMonth, start.wDay, start.wHour,
              start.wMinute, start.wSecond);
    return packageName + L"_Setup_" + time;
}

std::wstring LogFileName(const std::wstring& name, int attempt) {
    if (attempt <= 1) {
        return name + L".log";
    }
    wchar_t suffix[16] = {};
    wsprintfW(suffix, L"_%d.log", attempt);
    return name + suffix;
}

void StartLogs(HINSTANCE module, const std::wstring& commandLine) {
    SYSTEMTIME start = {};
    GetLocalTime(&start);
    const TokenFacts token = ReadToken();
    // SYSTEM's logs too lie where administrators look for them.
    const bool administrator = token.systemAccount || token.elevated;
    std::wstring folder;
    if (!RootFolder(administrator ? StagingRoot::WindowsTemp : StagingRoot::UserTemporary,
                    folder)) {
        return;
    }
    g_logSecurity = StagingSecurity(administrator ? std::wstring() : token.userSid);
    const std::wstring name = folder + LogName(LoadResourceString(module, IDS_PACKAGE_NAME), start);
    for (int attempt = 1; attempt <= kLogAttempts && !RunLogStarted(); ++attempt) {
        const std::wstring path = LogFileName(name, attempt);
        FileHandle file = CreateLogFile(path);
        if (file.IsValid()) {
            // Without ".log", for the installer's log beside it.
            g_logName = path.substr(0, path.size() - 4);
            StartRunLog(std::move(file));
        }
    }
    std::wstring path;
    ReadModuleFileName(path);
    LogLine("Setup.exe: ", path.c_str());
    LogLine("version: ", FileVersion(module).c_str());
    LogLine("command line: ", commandLine.c_str());
    LogLine(token.systemAccount ? "account: SYSTEM"
            : token.elevated    ? "account: elevated"
                                : "account: not elevated");
}

std::wstring CreateInstallerLog() {
    if (!RunLogStarted()) {
        return std::wstring();
    }
    const std::wstring path = g_logName + L"_msi.log";
    if (!CreateLogFile(path).IsValid()) {
        LogError("no log for the installer: ", GetLastError());
        return std::wstring();
    }
    return path;
}
