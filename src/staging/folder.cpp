// The staging folder: its name drawn, created with its access list and held.
#include "base/file_attributes.h"
#include "base/system_library.h"
#include "staging/folder.h"
#include "staging/last_error.h"

#include <cwctype>

#include <sddl.h>
#include <winternl.h>

namespace {

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
// someone else's folder could stand in for it. The handle neither asks for
// deletion nor shares it, so that the folder stays in place while its
// entries can still be listed and deleted. False with the Windows error code in error.
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

std::wstring StagingSecurity(const std::wstring& userSid) {
    // Full control for Administrators and SYSTEM, inherited by everything
    // inside, and nothing for anyone else; protected, so that the temporary
    // folder's own entries for its user do not flow in. The elevated launcher
    // and the Windows Installer service each hold one of the two.
    if (!userSid.empty()) {
        return L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FA;;;" + userSid + L")";
    }
    // Owned by Administrators whatever the owner policy says, and an owner
    // (S-1-3-4, OWNER RIGHTS) may read the access list, not change it.
    return L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;RC;;;S-1-3-4)";
}

std::wstring StagingDirectoryName(unsigned drawnValue) {
    wchar_t name[16] = {};
    wsprintfW(name, L"QLN%04X\\", drawnValue & 0x7FFF);
    return name;
}

bool IsStagingFolderName(const wchar_t* name) {
    // Each test fails at the terminator: nothing beyond it is read.
    for (int at = 0; at < 7; ++at) {
        if (at < 3 ? (name[at] | 0x20) != L"qln"[at] : !iswxdigit(name[at])) {
            return false;
        }
    }
    return name[7] == L'\0' || (name[7] == L'\\' && name[8] == L'\0');
}

namespace {

// Fills bytes from the system's cryptographic random generator. RtlGenRandom
// (exported as SystemFunction036) is looked up when it is needed, not
// imported: newer Windows forwards it to another DLL, which an import would
// load at start, before the launcher restricts where DLLs come from.
bool DrawRandom(void* bytes, ULONG size) {
    const auto genRandom =
        LoadedFunction<BOOLEAN(WINAPI*)(PVOID, ULONG)>(L"advapi32", "SystemFunction036");
    return genRandom != nullptr && genRandom(bytes, size);
}

} // namespace

bool DrawStagingValue(unsigned& value) {
    USHORT random = 0;
    if (!DrawRandom(&random, sizeof(random))) {
        return false;
    }
    value = random & 0x7FFF;
    return true;
}

bool DrawRandomValue(unsigned long long& value) {
    return DrawRandom(&value, sizeof(value));
}

std::wstring CreateStagingDirectoryIn(const std::wstring& parent, bool (*draw)(unsigned& value),
                                      StagingFolderHold& hold, const std::wstring& security) {
    g_lastError = 0;
    LocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(security.c_str(), SDDL_REVISION_1,
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
            hold.Take(folder, std::move(held), std::move(descriptor));
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

void StagingFolderHold::Take(const std::wstring& folder, FileHandle handle, LocalMemory security) {
    folder_ = folder;
    handle_ = std::move(handle);
    security_ = std::move(security);
}
