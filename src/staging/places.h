// Where a run stages its package, and what the process's token allows.
#pragma once

#include "staging/folder.h"

#include <windows.h>

#include <string>
#include <vector>

// The running executable's folder: its path up to and with the last
// backslash (the whole path when it has none, which a full path always
// has), or "." (with the code in g_lastError) when its path cannot be
// obtained; a run then stages nothing, rather than look for a package
// relative to the current folder.
std::wstring GetModuleDirectory();

// Where a run stages its package.
enum class StagingRoot {
    // The temporary folder as GetTempPath2W gives it: for SYSTEM, the Windows
    // folder's "SystemTemp\", which only SYSTEM may open.
    SystemTemporary,
    // The Windows folder's "Temp\", which only administrators control.
    WindowsTemp,
    // The user's own temporary folder (TMP).
    UserTemporary,
};

// The one an elevated launcher can trust: a path that starts at the user's
// TMP could be redirected by that user while the launcher works in it.
StagingRoot ChooseStagingRoot(bool systemAccount, bool elevated);

// Every root a launcher stages in, for this account or another, as far as
// it can be read, each with a trailing backslash.
std::vector<std::wstring> StagingRootFolders();

// The folder that root names, with a trailing backslash; false when it
// cannot be read.
bool RootFolder(StagingRoot root, std::wstring& folder);

// What the process's token says: whether it is SYSTEM's, whether it is
// elevated (a token that cannot be read counts as elevated, so that the
// launcher stays where only administrators can reach), and its user as a
// SID string (empty when it cannot be read).
struct TokenFacts {
    bool systemAccount = false;
    bool elevated = true;
    std::wstring userSid;
};
TokenFacts ReadToken();

// CreateStagingDirectoryIn the folder that ChooseStagingRoot picks for the
// process's token, with DrawStagingValue and the token's StagingSecurity.
std::wstring CreateStagingDirectory(StagingFolderHold& hold, const TokenFacts& token);
