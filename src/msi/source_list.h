// Where the installed product finds its package again: the medium, never a staging folder.
#pragma once

#include "msi/library.h"

#include <string>
#include <vector>

// One installed product's network sources in one installation context, as
// Windows Installer lists them.
struct ProductSources {
    std::wstring product;
    std::wstring userSid; // empty in the machine context
    int context = 0;      // MSIINSTALLCONTEXT
    std::vector<std::wstring> sources;
};

// What to change in one of those lists.
struct SourceListChange {
    // The network sources to take off, as the list names them.
    std::vector<std::wstring> remove;
    // The source to put first and make the last used one; empty: none.
    std::wstring add;
};

// Windows Installer keeps the folder that an MSI was started from as the
// product's source, and reads it again for a repair, a modification or a
// patch; the staging folders are gone by then, and a folder of that name
// may be anybody's. So from every product's list (whatever its product
// code became through a transform) any "QLNxxxx\" folder directly under
// one of the staging roots goes, this run's and an earlier run's alike,
// but those in liveFolders, which another running launcher holds: its
// installer may have just registered it, and that run mends its own. A
// list that named this run's staging folder gets the medium's "Package\"
// folder (in launcherFolder, empty when unknown) first, as if the MSI had
// been started from there. Folders compare without regard to case and to a
// trailing backslash; roots and folders are given with one. A change for
// each list, in order.
std::vector<SourceListChange> ChooseSourceListChanges(const std::vector<ProductSources>& lists,
                                                      const std::vector<std::wstring>& stagingRoots,
                                                      const std::wstring& stagingFolder,
                                                      const std::wstring& launcherFolder,
                                                      const std::vector<std::wstring>& liveFolders);

// Applies ChooseSourceListChanges to every product that Windows Installer
// lists, for every user and context, through its own functions, with the
// folders that a running launcher holds as the live ones (JudgeStagingFolder,
// with userSid, the token's user); with an empty
// stagingFolder, for the folders of earlier runs alone. Every change and
// every failure is logged, with its product, and none stops the rest; true
// when every product was read and every change made, so that no list names
// a staging folder any more but a live one.
bool KeepMediumAsSource(MsiLibrary& msi, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder, const std::wstring& userSid);
