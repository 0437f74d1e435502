// The administrators' record of a run: the launcher's log, and the installer's beside it.
#include "app/log_files.h"
#include "base/grown_text.h"
#include "base/run_log.h"
#include "staging/folder.h"

#include <sddl.h>

namespace {

// Creates path new, for administrators only: never a name that exists,
// whatever it is, and never through a link planted there.
FileHandle CreateLogFile(const std::wstring& path, const std::wstring& sddl) {
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr)) {
        return FileHandle();
    }
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.Get(), FALSE};
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // Whether the name was taken, for the caller, past the descriptor's release.
    const DWORD error = GetLastError();
    descriptor.Reset();
    SetLastError(error);
    return file;
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

std::wstring DrawnLogName(const std::wstring& name, unsigned long long drawnValue) {
    wchar_t suffix[24] = {};
    wsprintfW(suffix, L"_%08X%08X", static_cast<unsigned>(drawnValue >> 32),
              static_cast<unsigned>(drawnValue));
    return name + suffix;
}

FileHandle CreateDrawnLogFile(const std::wstring& name, const wchar_t* ending,
                              const std::wstring& security,
                              bool (*draw)(unsigned long long& value), std::wstring& path) {
    for (int attempt = 0; attempt < kLogAttempts; ++attempt) {
        unsigned long long value = 0;
        if (!draw(value)) {
            break;
        }
        path = DrawnLogName(name, value) + ending;
        FileHandle file = CreateLogFile(path, security);
        // Only a name that is taken earns another draw.
        if (file.IsValid() ||
            (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)) {
            return file;
        }
    }
    return FileHandle();
}

void RunLogs::Start(HINSTANCE module, const std::wstring& commandLine,
                    const std::wstring& packageName, const TokenFacts& token) {
    SYSTEMTIME start = {};
    GetLocalTime(&start);
    // SYSTEM's logs too lie where administrators look for them.
    const bool administrator = token.systemAccount || token.elevated;
    std::wstring folder;
    if (!RootFolder(administrator ? StagingRoot::WindowsTemp : StagingRoot::UserTemporary,
                    folder)) {
        return;
    }
    security_ = StagingSecurity(administrator ? std::wstring() : token.userSid);
    name_ = folder + LogName(packageName, start);
    std::wstring logPath;
    FileHandle file = CreateDrawnLogFile(name_, L".log", security_, DrawRandomValue, logPath);
    if (file.IsValid()) {
        // Without ".log", for the installer's log beside it.
        name_ = logPath.substr(0, logPath.size() - 4);
        StartRunLog(std::move(file));
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

std::wstring RunLogs::CreateInstallerLog() const {
    if (!RunLogStarted()) {
        return std::wstring();
    }
    std::wstring path = name_ + L"_msi.log";
    if (CreateLogFile(path, security_).IsValid()) {
        return path;
    }
    // Taken: a name of its own, drawn as the launcher's was.
    if ((GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) &&
        CreateDrawnLogFile(name_, L"_msi.log", security_, DrawRandomValue, path).IsValid()) {
        return path;
    }
    LogError("no log for the installer: ", GetLastError());
    return std::wstring();
}
