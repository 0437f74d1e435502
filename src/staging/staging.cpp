#include "staging/staging.h"
#include "app/grown_text.h"
#include "app/loaded_function.h"

#include <sddl.h>
#include <winternl.h>

#include <memory>

DWORD g_lastError = 0;

namespace {

// Full control for Administrators and SYSTEM, inherited by everything inside,
// and nothing for anyone else; protected, so that the temporary folder's own
// entries for its user do not flow in. The elevated launcher and the Windows
// Installer service each hold one of the two.
const wchar_t kStagingSecurity[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

// Large enough that a gigabyte takes few calls, small enough for any machine.
const DWORD kCopyBufferBytes = 1 << 20;

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

std::wstring WithoutSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

// Keeps the first error of a walk that goes on past it.
void NoteError(DWORD error, DWORD& first) {
    if (first == 0) {
        first = error != 0 ? error : ERROR_GEN_FAILURE;
    }
}

// An entry that is still in use goes when Windows restarts. Only an
// administrator may ask for that; for anyone else this does nothing.
void RemoveAtRestart(const std::wstring& path) {
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool RemoveFolder(const std::wstring& folder, bool now, DWORD& firstError);

// Deletes (now) or schedules every entry of folder (given with a trailing
// backslash), going on past any that stays; true when all of them went.
bool RemoveEntries(const std::wstring& folder, bool now, DWORD& firstError) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!search.IsValid()) {
        NoteError(GetLastError(), firstError);
        return false;
    }
    bool all = true;
    do {
        if (IsDotEntry(entry)) {
            continue;
        }
        const std::wstring path = folder + entry.cFileName;
        if (IsDirectory(entry.dwFileAttributes) && !IsLink(entry.dwFileAttributes)) {
            all = RemoveFolder(path + L"\\", now, firstError) && all;
            continue;
        }
        // A link's target lies outside the folder: it is never walked into.
        const bool deleted =
            now && (IsLink(entry.dwFileAttributes) ? RemoveLink(path, entry.dwFileAttributes)
                                                   : DeleteFileW(path.c_str()) != FALSE);
        if (!deleted) {
            NoteError(now ? GetLastError() : ERROR_BUSY, firstError);
            if (!IsLink(entry.dwFileAttributes)) {
                RemoveAtRestart(path);
            }
            all = false;
        }
    } while (FindNextFileW(search.Get(), &entry));
    const bool listed = EnumerationFinished();
    if (!listed) {
        NoteError(g_lastError, firstError);
    }
    return all && listed;
}

// The folder itself after its entries: removed now, or at the next restart.
bool RemoveEmptiedFolder(const std::wstring& folder, bool now, DWORD& firstError) {
    const std::wstring path = WithoutSeparator(folder);
    if (now && RemoveDirectoryW(path.c_str())) {
        return true;
    }
    NoteError(now ? GetLastError() : ERROR_BUSY, firstError);
    RemoveAtRestart(path);
    return false;
}

bool RemoveFolder(const std::wstring& folder, bool now, DWORD& firstError) {
    const bool emptied = RemoveEntries(folder, now, firstError);
    return RemoveEmptiedFolder(folder, now, firstError) && emptied;
}

// Whether the process runs as SYSTEM, and whether its token is elevated;
// a token that cannot be read counts as elevated, so that the launcher
// stays where only administrators can reach.
void ReadToken(bool& systemAccount, bool& elevated) {
    systemAccount = false;
    elevated = true;
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        return;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
        elevated = elevation.TokenIsElevated != 0;
    }
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    if (GetTokenInformation(token.Get(), TokenUser, user, sizeof(user), &size)) {
        systemAccount = IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid,
                                       WinLocalSystemSid) != FALSE;
    }
}

// The folder that root names, with a trailing backslash.
bool StagingParent(StagingRoot root, std::wstring& folder) {
    if (root == StagingRoot::WindowsTemp) {
        // The system's own Windows folder, never one that an environment
        // variable names.
        if (!ReadGrownText([](wchar_t* buffer,
                              DWORD size) { return GetSystemWindowsDirectoryW(buffer, size); },
                           folder)) {
            return false;
        }
        folder = WithoutSeparator(folder) + L"\\Temp\\";
        return true;
    }
    // GetTempPath2W gives SYSTEM the system's own protected folder rather
    // than the machine's shared one; it is looked up by name, since older
    // Windows lacks it.
    using GetTempPathFunction = DWORD(WINAPI*)(DWORD, LPWSTR);
    GetTempPathFunction getTempPath = GetTempPathW;
    if (root == StagingRoot::SystemTemporary) {
        if (const auto getTempPath2 =
                LoadedFunction<GetTempPathFunction>(L"kernel32", "GetTempPath2W")) {
            getTempPath = getTempPath2;
        }
    }
    return ReadGrownText(
        [getTempPath](wchar_t* buffer, DWORD size) { return getTempPath(size, buffer); }, folder);
}

// The object-manager name of a full Win32 path, for NtCreateFile.
std::wstring NtPath(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return L"\\??\\" + path.substr(4);
    }
    if (path.compare(0, 2, L"\\\\") == 0) {
        return L"\\??\\UNC\\" + path.substr(2);
    }
    return L"\\??\\" + path;
}

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                              PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                              ULONG, PVOID, ULONG);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(NTSTATUS);

// Creates the folder with its security and opens it in one call, which
// fails when anything has the name already: there is no moment at which
// someone else's folder could stand in for it. The handle asks no deletion
// and shares none, so that the folder stays in place while its entries can
// still be listed and deleted. False with the Windows error code in error.
bool CreateHeldFolder(const std::wstring& folder, PSECURITY_DESCRIPTOR security, FileHandle& held,
                      DWORD& error) {
    const auto ntCreateFile = LoadedFunction<NtCreateFileFunction>(L"ntdll", "NtCreateFile");
    const auto toDosError =
        LoadedFunction<RtlNtStatusToDosErrorFunction>(L"ntdll", "RtlNtStatusToDosError");
    if (ntCreateFile == nullptr || toDosError == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
        return false;
    }
    std::wstring name = NtPath(WithoutSeparator(folder));
    UNICODE_STRING unicodeName = {};
    unicodeName.Buffer = &name[0];
    unicodeName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    unicodeName.MaximumLength = unicodeName.Length;
    OBJECT_ATTRIBUTES attributes = {};
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, nullptr, security);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = INVALID_HANDLE_VALUE;
    // FILE_OPEN_REPARSE_POINT: a link that has the name is a name taken, and
    // never followed to create the folder where it points.
    const NTSTATUS status = ntCreateFile(
        &handle, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io,
        nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
        FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (status < 0) {
        error = toDosError(status);
        return false;
    }
    held = FileHandle(handle);
    return true;
}

} // namespace

std::wstring GetModuleDirectory() {
    g_lastError = 0;
    std::wstring path;
    if (!ReadModuleFileName(path)) {
        g_lastError = GetLastError();
        return L".";
    }
    const auto backslash = path.rfind(L'\\');
    if (backslash == std::wstring::npos) {
        return path;
    }
    return path.substr(0, backslash + 1);
}

StagingRoot ChooseStagingRoot(bool systemAccount, bool elevated) {
    if (systemAccount) {
        return StagingRoot::SystemTemporary;
    }
    // SystemTemp is closed to administrators, so any other elevated account
    // takes the Windows folder's own Temp.
    return elevated ? StagingRoot::WindowsTemp : StagingRoot::UserTemporary;
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

std::wstring CreateStagingDirectoryIn(const std::wstring& parent, bool (*draw)(unsigned& value),
                                      StagingFolderHold& hold) {
    g_lastError = 0;
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kStagingSecurity, SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr)) {
        g_lastError = GetLastError();
        return std::wstring();
    }
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        unsigned value = 0;
        if (!draw(value)) {
            g_lastError = ERROR_GEN_FAILURE;
            return std::wstring();
        }
        const std::wstring folder = parent + StagingDirectoryName(value);
        FileHandle held;
        if (CreateHeldFolder(folder, descriptor.Get(), held, g_lastError)) {
            g_lastError = 0;
            hold.Take(folder, std::move(held));
            return folder;
        }
        // A folder of that name may be someone else's: it is left alone, and
        // only a name that is taken earns another draw.
        if (g_lastError != ERROR_ALREADY_EXISTS && g_lastError != ERROR_FILE_EXISTS) {
            break;
        }
        g_lastError = ERROR_ALREADY_EXISTS;
    }
    return std::wstring();
}

std::wstring CreateStagingDirectory(StagingFolderHold& hold) {
    g_lastError = 0;
    bool systemAccount = false;
    bool elevated = true;
    ReadToken(systemAccount, elevated);
    std::wstring parent;
    if (!StagingParent(ChooseStagingRoot(systemAccount, elevated), parent)) {
        g_lastError = GetLastError();
        return std::wstring();
    }
    return CreateStagingDirectoryIn(parent, DrawStagingValue, hold);
}

void StagingFolderHold::Take(const std::wstring& folder, FileHandle handle) {
    folder_ = folder;
    handle_ = std::move(handle);
}

bool StagingFolderHold::DeleteTree() {
    if (!handle_.IsValid()) {
        g_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    // Emptied while nobody can swap the folder or anything in it; once it is
    // empty, whatever might take its name at the last moment has nothing to
    // lose.
    DWORD firstError = 0;
    const bool emptied = RemoveEntries(folder_, true, firstError);
    handle_.Reset();
    const bool removed = RemoveEmptiedFolder(folder_, true, firstError) && emptied;
    g_lastError = firstError;
    return removed;
}

void StagingFolderHold::ScheduleTree() {
    if (handle_.IsValid()) {
        DWORD firstError = 0;
        RemoveFolder(folder_, false, firstError);
    }
}

bool StagedFilesLock::Add(const std::wstring& folder, const std::wstring& name) {
    // No security attributes: the installer inherits no handle of these.
    FileHandle file(CreateFileW((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    files_.push_back(StagedFile{name, std::move(file)});
    return true;
}

void StagedFilesLock::Release() {
    files_.clear();
}

namespace {

// A buffer for the copies of a run, left uninitialised: one made and cleared
// for each of a thousand small cabinets costs more than their copies.
std::unique_ptr<char[]> CopyBuffer() {
    return std::unique_ptr<char[]>(new char[kCopyBufferBytes]);
}

bool CopyOneFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                 const std::wstring& fileName, StagedFilesLock& lock, StagingProgress* progress,
                 char* buffer) {
    const std::wstring destination = destinationFolder + fileName;
    g_lastError = 0;
    {
        FileHandle source(CreateFileW((sourceFolder + fileName).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!source.IsValid()) {
            g_lastError = GetLastError();
            return false;
        }
        // A name that exists already in a fresh folder is not the launcher's.
        // The copy takes its attributes from no one: one from a CD would keep
        // the read-only attribute, which would stop its deletion.
        FileHandle copy(CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!copy.IsValid()) {
            g_lastError = GetLastError();
            return false;
        }
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(source.Get(), buffer, kCopyBufferBytes, &read, nullptr)) {
                g_lastError = GetLastError();
                return false;
            }
            if (read == 0) {
                break;
            }
            DWORD written = 0;
            if (!WriteFile(copy.Get(), buffer, read, &written, nullptr) || written != read) {
                g_lastError = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
                return false;
            }
            if (progress != nullptr && !progress->Advance(read)) {
                g_lastError = ERROR_CANCELLED;
                return false;
            }
        }
    }
    return lock.Add(destinationFolder, fileName);
}

} // namespace

bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName, StagedFilesLock& lock,
                     StagingProgress* progress) {
    return CopyOneFile(sourceFolder, destinationFolder, fileName, lock, progress,
                       CopyBuffer().get());
}

bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern, StagedFilesLock& lock,
                       StagingProgress* progress) {
    const std::unique_ptr<char[]> buffer = CopyBuffer();
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((sourceFolder + pattern).c_str(), &entry));
    if (!search.IsValid()) {
        g_lastError = GetLastError();
        return false;
    }
    do {
        // A folder named like a matching file is not part of the package.
        if (!IsDotEntry(entry) && !IsDirectory(entry.dwFileAttributes) &&
            !CopyOneFile(sourceFolder, destinationFolder, entry.cFileName, lock, progress,
                         buffer.get())) {
            return false;
        }
    } while (FindNextFileW(search.Get(), &entry));
    return EnumerationFinished();
}

unsigned long long PackageBytes(const std::wstring& sourceFolder, const std::wstring& fileName,
                                const std::wstring& pattern) {
    unsigned long long bytes = 0;
    WIN32_FIND_DATAW entry = {};
    for (const std::wstring& name : {fileName, pattern}) {
        FindHandle search(FindFirstFileW((sourceFolder + name).c_str(), &entry));
        if (!search.IsValid()) {
            continue;
        }
        do {
            if (!IsDirectory(entry.dwFileAttributes)) {
                bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) |
                         entry.nFileSizeLow;
            }
        } while (FindNextFileW(search.Get(), &entry));
    }
    return bytes;
}

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
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        g_lastError = GetLastError();
        return false;
    }
    DWORD firstError = 0;
    const bool removed = RemoveFolder(folder, true, firstError);
    g_lastError = firstError;
    return removed;
}
