// Where the installed product finds its package again: the medium, never a staging folder.
#pragma once

#include <string>
#include <vector>

// What to change in one context's source list of the installed product.
struct SourceListChange {
    // The network sources to take off, as the list names them.
    std::vector<std::wstring> remove;
    // The source to put first and make the last used one; empty: none.
    std::wstring add;
};

// Windows Installer keeps the folder that an MSI was started from as the
// product's source, and reads it again for a repair, a modification or a
// patch; the staging folders are gone by then, and a folder of that name
// may be anybody's. So the run's staging folder, and any "QLNxxxx\" folder
// directly under one of the staging roots (an earlier run's), go; the
// medium's "Package\" folder (in launcherFolder, empty when unknown) comes
// first, as if the MSI had been started from there. Folders compare
// without regard to case and to a trailing backslash; roots and folders
// are given with one.
SourceListChange ChooseSourceListChange(const std::vector<std::wstring>& sources,
                                        const std::vector<std::wstring>& stagingRoots,
                                        const std::wstring& stagingFolder,
                                        const std::wstring& launcherFolder);

// The ProductCode of the MSI at msiPath, read without running it; empty when
// it cannot be read.
std::wstring ReadProductCode(const std::wstring& msiPath);

// Applies ChooseSourceListChange in every installation context in which the
// product is registered (none after an uninstall or a failed install),
// through Windows Installer's own functions.
void KeepMediumAsSource(const std::wstring& productCode, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder);
