// Where the installed product finds its package again: the medium, never a staging folder.
#pragma once

#include "msi/library.h"

#include <string>
#include <vector>

// What to change in one installed product's list of network sources, in
// one installation context.
struct SourceListChange {
    // The network sources to take off, as the list names them.
    std::vector<std::wstring> remove;
    // The source to put first and make the last used one; empty: none.
    std::wstring add;
};

// Windows Installer keeps the folder that an MSI was started from as the
// product's source, and reads it again for a repair, a modification or a
// patch; the staging folders are gone by then, and a folder of that name
// may be anybody's. So from a product's list of sources (whatever its
// product code became through a transform) any "QLNxxxx\" folder directly
// under one of the staging roots goes, this run's and an earlier run's
// alike, but those in liveFolders, which another running launcher holds:
// its installer may have just registered it, and that run mends its own. A
// list that named this run's staging folder gets the medium's "Package\"
// folder (in launcherFolder, empty when unknown) first, as if the MSI had
// been started from there. Folders compare without regard to case and to a
// trailing backslash; roots and folders are given with one.
SourceListChange ChooseSourceListChange(const std::vector<std::wstring>& sources,
                                        const std::vector<std::wstring>& stagingRoots,
                                        const std::wstring& stagingFolder,
                                        const std::wstring& launcherFolder,
                                        const std::vector<std::wstring>& liveFolders);

// Applies ChooseSourceListChange to every product that Windows Installer
// lists, for every user and context, through its own functions, with the
// folders that a running launcher holds as the live ones (JudgeStagingFolder,
// with userSid, the token's user); with an empty stagingFolder, for the
// folders of earlier runs alone. Every change and every failure is logged,
// with its product, and none stops the rest; true when every product was
// read and every change made, so that no list names a staging folder any
// more but a live one.
bool KeepMediumAsSource(MsiLibrary& msi, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder, const std::wstring& userSid);
