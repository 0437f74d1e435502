#include "staging/staging.h"
#include "app/grown_text.h"
#include "app/loaded_function.h"

#include <sddl.h>

DWORD g_lastError = 0;

namespace {

// Full control for Administrators and SYSTEM, inherited by everything inside,
// and nothing for anyone else; protected, so that the temporary folder's own
// entries for its user do not flow in. The elevated launcher and the Windows
// Installer service each hold one of the two.
const wchar_t kStagingSecurity[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

bool IsDotEntry(const WIN32_FIND_DATAW& entry) {
    const std::wstring name = entry.cFileName;
    return name == L"." || name == L"..";
}

bool IsDirectory(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Removes a junction, symbolic link or mount point itself; its target stays.
bool RemoveLink(const std::wstring& path, DWORD attributes) {
    return (IsDirectory(attributes) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) !=
           FALSE;
}

// Ends an enumeration: true when it simply ran out of entries.
bool EnumerationFinished() {
    const DWORD error = GetLastError();
    g_lastError = error == ERROR_NO_MORE_FILES ? 0 : error;
    return g_lastError == 0;
}

// The temporary folder with a trailing backslash. GetTempPath2W gives SYSTEM
// the system's own protected folder rather than the machine's shared one; it
// is looked up by name, since older Windows lacks it.
bool GetTemporaryDirectory(std::wstring& folder) {
    using GetTempPathFunction = DWORD(WINAPI*)(DWORD, LPWSTR);
    GetTempPathFunction getTempPath =
        LoadedFunction<GetTempPathFunction>(L"kernel32", "GetTempPath2W");
    if (getTempPath == nullptr) {
        getTempPath = GetTempPathW;
    }
    return ReadGrownText(
        [getTempPath](wchar_t* buffer, DWORD size) { return getTempPath(size, buffer); }, folder);
}

} // namespace

std::wstring GetModuleDirectory() {
    g_lastError = 0;
    std::wstring path;
    if (!ReadGrownText(
            [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); },
            path)) {
        g_lastError = GetLastError();
        return L".";
    }
    const auto backslash = path.rfind(L'\\');
    if (backslash == std::wstring::npos) {
        return path;
    }
    return path.substr(0, backslash + 1);
}

std::wstring StagingDirectoryName(unsigned drawnValue) {
    wchar_t name[16] = {};
    wsprintfW(name, L"QLN%04X\\", drawnValue & 0x7FFF);
    return name;
}

bool DrawStagingValue(unsigned& value) {
    // RtlGenRandom (exported as SystemFunction036) is looked up when it is
    // needed, not imported: newer Windows forwards it to another DLL, which an
    // import would load at start, before the launcher restricts where DLLs
    // come from.
    const auto genRandom =
        LoadedFunction<BOOLEAN(WINAPI*)(PVOID, ULONG)>(L"advapi32", "SystemFunction036");
    USHORT random = 0;
    if (genRandom == nullptr || !genRandom(&random, sizeof(random))) {
        return false;
    }
    value = random & 0x7FFF;
    return true;
}

std::wstring CreateStagingDirectoryIn(const std::wstring& parent, bool (*draw)(unsigned& value)) {
    g_lastError = 0;
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kStagingSecurity, SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr)) {
        g_lastError = GetLastError();
        return std::wstring();
    }
    // Not inheritable: the attributes only carry the folder's security.
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.Get(), FALSE};
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        unsigned value = 0;
        if (!draw(value)) {
            g_lastError = ERROR_GEN_FAILURE;
            return std::wstring();
        }
        const std::wstring folder = parent + StagingDirectoryName(value);
        if (CreateDirectoryW(folder.c_str(), &security)) {
            g_lastError = 0;
            return folder;
        }
        // A folder of that name may be someone else's: it is left alone, and
        // only a name that is taken earns another draw.
        g_lastError = GetLastError();
        if (g_lastError != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    return std::wstring();
}

std::wstring CreateStagingDirectory() {
    g_lastError = 0;
    std::wstring temporary;
    if (!GetTemporaryDirectory(temporary)) {
        g_lastError = GetLastError();
        return std::wstring();
    }
    return CreateStagingDirectoryIn(temporary, DrawStagingValue);
}

bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName) {
    const std::wstring source = sourceFolder + fileName;
    const std::wstring destination = destinationFolder + fileName;
    g_lastError = 0;
    if (!CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        g_lastError = GetLastError();
        return false;
    }
    // A copy from a CD keeps the read-only attribute, which would stop the
    // deletion of the staging folder.
    const DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        g_lastError = GetLastError();
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (!SetFileAttributesW(destination.c_str(),
                                writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL)) {
            g_lastError = GetLastError();
            return false;
        }
    }
    return true;
}

bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((sourceFolder + pattern).c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    bool result = false;
    for (;;) {
        // A folder named like a matching file is not part of the package.
        if (IsDotEntry(entry) || IsDirectory(entry.dwFileAttributes)) {
            result = true;
        } else {
            result = CopyPackageFile(sourceFolder, destinationFolder, entry.cFileName);
        }
        if (!result) {
            break;
        }
        if (!FindNextFileW(search.Get(), &entry)) {
            result = EnumerationFinished();
            break;
        }
    }
    return result;
}

bool StagedFilesLock::Acquire(const std::wstring& folder) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    do {
        if (IsDirectory(entry.dwFileAttributes)) {
            continue;
        }
        // No security attributes: the installer inherits no handle of these.
        FileHandle file(CreateFileW((folder + entry.cFileName).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file.IsValid()) {
            g_lastError = GetLastError();
            return false;
        }
        files_.push_back(std::move(file));
    } while (FindNextFileW(search.Get(), &entry));
    return EnumerationFinished();
}

void StagedFilesLock::Release() {
    files_.clear();
}

namespace {

// Deletes every entry of folder (given with a trailing backslash); true when
// all of them went.
bool DeleteEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    for (;;) {
        if (!IsDotEntry(entry)) {
            const std::wstring path = folder + entry.cFileName;
            bool deleted = false;
            // A link's target lies outside the folder: it is never walked into.
            if (IsLink(entry.dwFileAttributes)) {
                deleted = RemoveLink(path, entry.dwFileAttributes);
            } else if (IsDirectory(entry.dwFileAttributes)) {
                if (!DeleteDirectoryTree(path + L"\\")) {
                    return false;
                }
                deleted = true;
            } else {
                deleted = DeleteFileW(path.c_str()) != FALSE;
            }
            if (!deleted) {
                g_lastError = GetLastError();
                return false;
            }
        }
        if (!FindNextFileW(search.Get(), &entry)) {
            return EnumerationFinished();
        }
    }
}

std::wstring WithoutSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

} // namespace

bool DeleteDirectoryTree(const std::wstring& folder) {
    // Plain concatenation would make the pattern "\*", the root of the drive.
    if (folder.empty()) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    // A folder swapped for a link goes as a link, with its target kept.
    const std::wstring path = WithoutSeparator(folder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes)) {
        if (!RemoveLink(path, attributes)) {
            g_lastError = GetLastError();
            return false;
        }
        g_lastError = 0;
        return true;
    }
    if (!DeleteEntries(folder)) {
        return false;
    }
    if (!RemoveDirectoryW(folder.c_str())) {
        g_lastError = GetLastError();
        return false;
    }
    return true;
}

bool StagingFolderHold::Acquire(const std::wstring& folder) {
    folder_ = folder;
    const std::wstring path = WithoutSeparator(folder);
    // No FILE_SHARE_DELETE: nobody can rename or delete the folder now. The
    // handle asks no deletion itself, so that the folder's entries can still
    // be listed and deleted.
    handle_ =
        FileHandle(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle_.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    // The folder as opened, and as its name shows it, must be a folder and no link.
    BY_HANDLE_FILE_INFORMATION opened = {};
    if (!GetFileInformationByHandle(handle_.Get(), &opened)) {
        g_lastError = GetLastError();
        handle_.Reset();
        return false;
    }
    const DWORD named = GetFileAttributesW(path.c_str());
    if (!IsDirectory(opened.dwFileAttributes) || named == INVALID_FILE_ATTRIBUTES ||
        IsLink(opened.dwFileAttributes) || IsLink(named)) {
        g_lastError = ERROR_DIRECTORY;
        handle_.Reset();
        return false;
    }
    return true;
}

bool StagingFolderHold::DeleteTree() {
    if (!handle_.IsValid()) {
        g_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    // Emptied while nobody can swap the folder or anything in it; once it is
    // empty, whatever might take its name at the last moment has nothing to
    // lose.
    const bool emptied = DeleteEntries(folder_);
    handle_.Reset();
    if (!emptied) {
        return false;
    }
    if (!RemoveDirectoryW(folder_.c_str())) {
        g_lastError = GetLastError();
        return false;
    }
    return true;
}
