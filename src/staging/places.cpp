// Where a run stages: the launcher's own folder, the token and the root.
#include "base/file_attributes.h"
#include "base/grown_text.h"
#include "base/system_library.h"
#include "staging/last_error.h"
#include "staging/places.h"

#include <sddl.h>

TokenFacts ReadToken() {
    TokenFacts facts;
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        return facts;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
        facts.elevated = elevation.TokenIsElevated != 0;
    }
    BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    if (GetTokenInformation(token.Get(), TokenUser, user, sizeof(user), &size)) {
        const PSID sid = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
        facts.systemAccount = IsWellKnownSid(sid, WinLocalSystemSid) != FALSE;
        LocalMemory text;
        if (ConvertSidToStringSidW(sid, reinterpret_cast<LPWSTR*>(text.Receive()))) {
            facts.userSid = static_cast<const wchar_t*>(text.Get());
        }
    }
    return facts;
}

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

bool RootFolder(StagingRoot root, std::wstring& folder) {
    if (root == StagingRoot::WindowsTemp) {
        // The system's own Windows folder, never one that an environment
        // variable names.
        if (!ReadGrownText([](wchar_t* buffer, DWORD size)
                               -> DWORD { return GetSystemWindowsDirectoryW(buffer, size); },
                           folder)) {
            return false;
        }
        folder = WithoutSeparator(folder) + L"\\Temp\\";
        return true;
    }
    if (root == StagingRoot::UserTemporary) {
        return ReadGrownText([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); },
                             folder);
    }
    // GetTempPath2W gives SYSTEM the system's own protected folder rather
    // than the machine's shared one; it is looked up by name, since older
    // Windows lacks it.
    return ReadGrownText(
        [](wchar_t* buffer, DWORD size) {
            const auto getTempPath2 =
                LoadedFunction<decltype(&GetTempPathW)>(L"kernel32", "GetTempPath2W");
            return getTempPath2 != nullptr ? getTempPath2(size, buffer)
                                           : GetTempPathW(size, buffer);
        },
        folder);
}

std::vector<std::wstring> StagingRootFolders() {
    std::vector<std::wstring> folders;
    for (const StagingRoot root :
         {StagingRoot::SystemTemporary, StagingRoot::WindowsTemp, StagingRoot::UserTemporary}) {
        std::wstring folder;
        if (RootFolder(root, folder)) {
            folders.push_back(folder);
        }
    }
    return folders;
}

std::wstring CreateStagingDirectory(StagingFolderHold& hold, const TokenFacts& token) {
    g_lastError = 0;
    const StagingRoot root = ChooseStagingRoot(token.systemAccount, token.elevated);
    std::wstring parent;
    if (!RootFolder(root, parent)) {
        g_lastError = GetLastError();
        return std::wstring();
    }
    return CreateStagingDirectoryIn(
        parent, DrawStagingValue, hold,
        StagingSecurity(root == StagingRoot::UserTemporary ? token.userSid : std::wstring()));
}
