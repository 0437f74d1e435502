// Where the installed product finds its package again: the medium, never a staging folder.
#pragma once

#include "app/msi_api.h"

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
// one of the staging roots goes, this run's and an earlier run's alike; a
// list that named this run's staging folder gets the medium's "Package\"
// folder (in launcherFolder, empty when unknown) first, as if the MSI had
// been started from there. Folders compare without regard to case and to a
// trailing backslash; roots and folders are given with one. A change for
// each list, in order.
std::vector<SourceListChange> ChooseSourceListChanges(const std::vector<ProductSources>& lists,
                                                      const std::vector<std::wstring>& stagingRoots,
                                                      const std::wstring& stagingFolder,
                                                      const std::wstring& launcherFolder);

// Applies ChooseSourceListChanges to every product that Windows Installer
// lists, for every user and context, through its own functions; with an
// empty stagingFolder, for the folders of earlier runs alone (a run that
// never came back: a failed wait, a session that ended, a crash). Every
// change and failure is logged; nothing changes the run's outcome.
void KeepMediumAsSource(MsiLibrary& msi, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder);
