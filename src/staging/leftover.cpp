// Staging folders that earlier runs left: which a running launcher holds, which none does.
#include "staging/leftover.h"
#include "base/file_attributes.h"
#include "base/unique_handle.h"
#include "staging/folder.h"

#include <sddl.h>

namespace {

bool IsUser(PSID sid, const std::wstring& userSid) {
    LocalMemory text;
    return !userSid.empty() &&
           ConvertSidToStringSidW(sid, reinterpret_cast<LPWSTR*>(text.Receive())) &&
           SameName(static_cast<const wchar_t*>(text.Get()), userSid.c_str());
}

bool IsAdministrator(PSID sid, const std::wstring& userSid) {
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           IsWellKnownSid(sid, WinLocalSystemSid) || IsUser(sid, userSid);
}

} // namespace

bool IsLauncherSecurity(PSECURITY_DESCRIPTOR security, const std::wstring& userSid) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorOwner(security, &owner, &defaulted) || owner == nullptr ||
        !IsAdministrator(owner, userSid) ||
        !GetSecurityDescriptorDacl(security, &present, &dacl, &defaulted) || !present ||
        dacl == nullptr) {
        return false;
    }
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, index, reinterpret_cast<void**>(&header))) {
            return false;
        }
        // Entries that deny only take away.
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            return false;
        }
        const auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        const PSID sid = const_cast<DWORD*>(&entry->SidStart);
        const bool ownerMayOnlyRead =
            IsWellKnownSid(sid, WinCreatorOwnerRightsSid) && (entry->Mask & ~READ_CONTROL) == 0;
        if (!ownerMayOnlyRead && !IsAdministrator(sid, userSid)) {
            return false;
        }
    }
    return true;
}

FolderState JudgeStagingFolder(const std::wstring& folder, const std::wstring& userSid) {
    const std::wstring path = WithoutSeparator(folder);
    // Wine opens a link to a folder as the folder, whatever the flag says.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? FolderState::Gone
                   : FolderState::NotOurs;
    }
    if (!IsDirectory(attributes) || IsLink(attributes)) {
        return FolderState::NotOurs;
    }
    // Its security is read through a handle that shares everything, which a
    // launcher's hold lets open, and which holds the folder meanwhile.
    const FileHandle opened(
        CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    // Owner and access list: a few hundred bytes at most. A link put in the
    // folder's place since is read as itself, and owned by whoever put it.
    alignas(void*) BYTE security[4096];
    DWORD needed = 0;
    if (!opened.IsValid() ||
        !GetKernelObjectSecurity(opened.Get(),
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, security,
                                 sizeof(security), &needed) ||
        !IsLauncherSecurity(security, userSid)) {
        return FolderState::NotOurs;
    }
    const FileHandle exclusive(CreateFileW(
        path.c_str(), DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (exclusive.IsValid()) {
        return FolderState::Free;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? FolderState::Held : FolderState::NotOurs;
}

std::vector<std::wstring> AdministratorsRoots(const TokenFacts& token) {
    std::vector<std::wstring> roots;
    if (!token.elevated && !token.systemAccount) {
        return roots;
    }
    std::wstring folder;
    if (RootFolder(StagingRoot::WindowsTemp, folder)) {
        roots.push_back(folder);
    }
    // For anyone else this root is the user's TMP.
    if (token.systemAccount && RootFolder(StagingRoot::SystemTemporary, folder)) {
        roots.push_back(folder);
    }
    return roots;
}

std::vector<std::wstring> FindLeftoverFolders(const std::vector<std::wstring>& roots,
                                              const std::wstring& own, const TokenFacts& token) {
    std::vector<std::wstring> leftovers;
    for (const std::wstring& root : roots) {
        WIN32_FIND_DATAW entry = {};
        const FindHandle search(FindFirstFileW((root + L"QLN????").c_str(), &entry));
        if (!search.IsValid()) {
            continue;
        }
        do {
            const std::wstring folder = root + entry.cFileName + L"\\";
            if (IsStagingFolderName(entry.cFileName) && !SameName(folder.c_str(), own.c_str()) &&
                JudgeStagingFolder(folder, token.userSid) == FolderState::Free) {
                leftovers.push_back(folder);
            }
        } while (FindNextFileW(search.Get(), &entry));
    }
    return leftovers;
}
