// Staging folders that earlier runs left: which a running launcher holds, which none does.
#pragma once

#include "staging/places.h"

#include <string>
#include <vector>

// What is at a staging folder's path.
enum class FolderState {
    Gone,    // nothing: the name is free for anybody
    Held,    // a launcher's, which a running launcher holds
    Free,    // a launcher's, which no launcher holds any more
    NotOurs, // a link, a file, or a folder that anybody but administrators could have made
};

// Whether a folder's security is a launcher's: owned by Administrators or
// SYSTEM (or by userSid, the token's user, who could only have made it
// elevated), and admitting nobody else but an OWNER RIGHTS entry that lets
// an owner read the access list. No ordinary user can make such a folder.
bool IsLauncherSecurity(PSECURITY_DESCRIPTOR security, const std::wstring& userSid);

// The state of folder (with or without a trailing backslash), never
// through a link; userSid as IsLauncherSecurity takes it. A launcher's hold
// shares no deletion, so that only a folder nobody holds opens for deletion
// sharing nothing.
FolderState JudgeStagingFolder(const std::wstring& folder, const std::wstring& userSid);

// The roots whose staging folders only administrators control, and whose
// leftovers a launcher with this token may judge and remove: the Windows
// folder's Temp for an elevated token, and SYSTEM's own for SYSTEM; none for
// a token that is not elevated.
std::vector<std::wstring> AdministratorsRoots(const TokenFacts& token);

// The launchers' folders directly in roots (each with a trailing backslash)
// that no launcher holds, but own (this run's, empty: none), each with a
// trailing backslash: what a run that never came back left.
std::vector<std::wstring> FindLeftoverFolders(const std::vector<std::wstring>& roots,
                                              const std::wstring& own, const TokenFacts& token);
