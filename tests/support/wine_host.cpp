// The Unix side of the Wine prefix: host paths, Unix links, drive letters of the tests' own.
#include "wine_host.h"
#include "file_io.h"
#include "poll.h"

#include "base/unique_handle.h"

#include <algorithm>
#include <vector>

namespace winehost {

namespace {

// Starts a Unix program, which Wine runs without a process handle to wait
// on; the caller waits for its effect instead.
bool StartHostProgram(const std::vector<std::string>& arguments) {
    std::string commandLine;
    for (const std::string& argument : arguments) {
        commandLine += (commandLine.empty() ? "\"" : " \"") + argument + "\"";
    }
    std::wstring wide(commandLine.begin(), commandLine.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    // Wine hands back no process for a Unix program, and then no thread
    // either, whatever the thread's field holds.
    if (process.hProcess != nullptr) {
        const KernelHandle thread(process.hThread);
        const KernelHandle owned(process.hProcess);
    }
    return true;
}

std::string WineConfigFolder() {
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(value, length) : std::string();
}

} // namespace

std::wstring FromHostPath(const std::wstring& path) {
    std::wstring result = path;
    std::replace(result.begin(), result.end(), L'/', L'\\');
    if (!result.empty() && result[0] == L'\\') {
        result = L"Z:" + result;
    }
    return result;
}

std::string UnixPath(const std::wstring& windowsPath) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return std::string();
    }
    char* path = toUnix(windowsPath.c_str());
    if (path == nullptr) {
        return std::string();
    }
    std::string result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

bool MakeSymbolicLink(const std::wstring& target, const std::wstring& link) {
    const std::string unixTarget = UnixPath(target);
    const std::string unixLink = UnixPath(link);
    return !unixTarget.empty() && !unixLink.empty() &&
           StartHostProgram({"/bin/ln", "-s", "--", unixTarget, unixLink}) &&
           testfs::WaitForFile("host link made", link, kHostProgramMs, true);
}

void RemoveSymbolicLink(const std::wstring& link) {
    const std::string unixLink = UnixPath(link);
    if (unixLink.empty()) {
        if (!RemoveDirectoryW(link.c_str())) {
            DeleteFileW(link.c_str());
        }
        return;
    }
    // rm without -r removes a link, never a folder, and never follows one.
    if (StartHostProgram({"/bin/rm", "-f", "--", unixLink})) {
        testfs::WaitForFile("host link removed", link, kHostProgramMs, false);
    }
}

bool IsLinkItself(const std::wstring& path) {
    const std::wstring entry =
        !path.empty() && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
    const DWORD attributes = GetFileAttributesW(entry.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool RemoveTreeInPrefix(const std::wstring& folder) {
    const std::string config = WineConfigFolder();
    const std::string driveC = config + "/dosdevices/c:/";
    std::string unixFolder = UnixPath(folder);
    // Without the trailing separator, which would make rm follow a link there.
    while (unixFolder.size() > 1 && unixFolder.back() == '/') {
        unixFolder.pop_back();
    }
    // Never the drive itself, nor anything outside it (Z: is the host's root).
    if (config.empty() || unixFolder.compare(0, driveC.size(), driveC) != 0 ||
        unixFolder.find_first_not_of('/', driveC.size()) == std::string::npos ||
        unixFolder.find("/../") != std::string::npos || IsLinkItself(folder)) {
        return false;
    }
    if (!testfs::Exists(folder)) {
        return true;
    }
    return StartHostProgram({"/bin/rm", "-rf", "--one-file-system", "--", unixFolder}) &&
           testfs::WaitForFile("host tree removed", folder, kHostProgramMs, false);
}

namespace {

// The size of the file system that holds folder, or 0.
unsigned long long FileSystemBytes(const std::wstring& folder) {
    ULARGE_INTEGER available = {}, total = {};
    return GetDiskFreeSpaceExW(folder.c_str(), &available, &total, nullptr) ? total.QuadPart : 0;
}

// The limit under which a file system counts as the small one mounted.
const unsigned long long kSmallLimit = 1024 * 1024;

// Whether folder's file system is the small one.
bool IsSmallFileSystem(const std::wstring& folder) {
    const unsigned long long bytes = FileSystemBytes(folder);
    return bytes != 0 && bytes <= kSmallLimit;
}

} // namespace

bool MountSmallFileSystem(const std::wstring& folder, unsigned long long bytes) {
    const std::string config = WineConfigFolder();
    const std::string unixFolder = UnixPath(folder);
    // Only a folder of the prefix's drive C:, never through a link.
    if (config.empty() || bytes > kSmallLimit ||
        unixFolder.compare(0, config.size() + 15, config + "/dosdevices/c:/") != 0 ||
        IsLinkItself(folder)) {
        return false;
    }
    return StartHostProgram({"/bin/mount", "-t", "tmpfs", "-o", "size=" + std::to_string(bytes),
                             "setup-e2e-small", unixFolder}) &&
           PollUntil("host file system mounted", kHostProgramMs,
                     [&] { return IsSmallFileSystem(folder); });
}

void UnmountFileSystem(const std::wstring& folder) {
    if (!IsSmallFileSystem(folder)) {
        return;
    }
    // umount refuses while anything holds a file of it open, as a process
    // that has just ended may still do for a moment through an emulator: it
    // is asked again each second until the limit.
    ULONGLONG asked = 0;
    PollUntil("host file system unmounted", kHostProgramMs, [&] {
        if (FileSystemBytes(folder) > kSmallLimit) {
            return true;
        }
        if (asked == 0 || GetTickCount64() - asked >= 1000) {
            StartHostProgram({"/bin/umount", UnixPath(folder)});
            asked = GetTickCount64();
        }
        return false;
    });
}

bool RemovesDirectoryLinks(const std::wstring& scratch) {
    const std::wstring target = scratch + L"link-probe-target\\";
    const std::wstring link = scratch + L"link-probe";
    CreateDirectoryW(target.c_str(), nullptr);
    testfs::WriteBytes(target + L"file", "kept");
    bool removed = false;
    if (MakeSymbolicLink(target, link)) {
        RemoveDirectoryW(link.c_str());
        removed = !testfs::Exists(link) && testfs::Exists(target + L"file");
    }
    RemoveSymbolicLink(link);
    testfs::RemoveTree(target);
    return removed;
}

ScratchDrive::ScratchDrive(const std::wstring& folder) {
    const std::string config = WineConfigFolder();
    const std::string unixFolder = UnixPath(folder);
    if (config.empty() || unixFolder.empty()) {
        return;
    }
    const DWORD used = GetLogicalDrives();
    wchar_t letter = 0;
    for (wchar_t candidate = L'S'; candidate <= L'Y' && letter == 0; ++candidate) {
        if ((used & (1u << (candidate - L'A'))) == 0) {
            letter = candidate;
        }
    }
    if (letter == 0) {
        return;
    }
    const std::wstring root = std::wstring(1, letter) + L":\\";
    device_ = config + "/dosdevices/" + static_cast<char>(towlower(letter)) + ":";
    if (!StartHostProgram({"/bin/ln", "-s", "--", unixFolder, device_}) ||
        !testfs::WaitForFile("host drive made", root, kHostProgramMs, true)) {
        return;
    }
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    savedDirectory_ = current;
    if (SetCurrentDirectoryW(root.c_str())) {
        root_ = root;
    }
}

ScratchDrive::~ScratchDrive() {
    if (!savedDirectory_.empty()) {
        SetCurrentDirectoryW(savedDirectory_.c_str());
    }
    if (!device_.empty()) {
        StartHostProgram({"/bin/rm", "-f", "--", device_});
        if (!root_.empty()) {
            testfs::WaitForFile("host drive removed", root_, kHostProgramMs, false);
        }
    }
}

} // namespace winehost
