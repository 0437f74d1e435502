// Where the installed product finds its package again: the medium, never a staging folder.
#include "msi/source_list.h"
#include "base/run_log.h"
#include "staging/folder.h"
#include "staging/leftover.h"
#include "staging/places.h"

namespace {

// The length of a folder's path without its trailing backslash.
int FolderLength(const std::wstring& folder) {
    return static_cast<int>(folder.size()) - (!folder.empty() && folder.back() == L'\\' ? 1 : 0);
}

// Whether the first length characters of path name folder.
bool NamesFolder(const wchar_t* path, int length, const std::wstring& folder) {
    return CompareStringOrdinal(path, length, folder.c_str(), FolderLength(folder), TRUE) ==
           CSTR_EQUAL;
}

bool SameFolder(const std::wstring& one, const std::wstring& other) {
    return NamesFolder(one.c_str(), FolderLength(one), other);
}

// Whether source is a staging folder directly in root.
bool IsStagingFolderIn(const std::wstring& source, const std::wstring& root) {
    const int name = FolderLength(root) + 1;
    return static_cast<int>(source.size()) > name && NamesFolder(source.c_str(), name - 1, root) &&
           source[name - 1] == L'\\' && IsStagingFolderName(source.c_str() + name);
}

bool IsStagingFolderIn(const std::wstring& source, const std::vector<std::wstring>& roots) {
    for (const std::wstring& root : roots) {
        if (IsStagingFolderIn(source, root)) {
            return true;
        }
    }
    return false;
}

bool AnyNames(const std::vector<std::wstring>& folders, const std::wstring& source) {
    for (const std::wstring& folder : folders) {
        if (SameFolder(source, folder)) {
            return true;
        }
    }
    return false;
}

} // namespace

SourceListChange ChooseSourceListChange(const std::vector<std::wstring>& sources,
                                        const std::vector<std::wstring>& stagingRoots,
                                        const std::wstring& stagingFolder,
                                        const std::wstring& launcherFolder,
                                        const std::vector<std::wstring>& liveFolders) {
    SourceListChange change;
    bool thisRun = false;
    for (const std::wstring& source : sources) {
        const bool ours = !stagingFolder.empty() && SameFolder(source, stagingFolder);
        if (ours || (IsStagingFolderIn(source, stagingRoots) && !AnyNames(liveFolders, source))) {
            change.remove.push_back(source);
        }
        thisRun = thisRun || ours;
    }
    if (thisRun && !launcherFolder.empty()) {
        change.add = launcherFolder + L"Package\\";
    }
    return change;
}

namespace {

const DWORD kNetwork = MSICODE_PRODUCT | MSISOURCETYPE_NETWORK;

// How many products in a row may fail to be listed before the listing is
// taken for broken as a whole rather than one product's.
const int kFailuresInARow = 16;

// The product's network sources in its context, for the user (null: the
// machine's); false where the list could not be read to its end (logged).
bool ReadSources(const MsiFunctions& msi, const wchar_t* product, const wchar_t* user,
                 MSIINSTALLCONTEXT context, std::vector<std::wstring>& sources) {
    // Room for the longest path there is.
    std::wstring source(32768, L'\0');
    for (DWORD at = 0;; ++at) {
        DWORD length = static_cast<DWORD>(source.size());
        const UINT read =
            msi.enumSources(product, user, context, kNetwork, at, &source[0], &length);
        if (read == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (read != ERROR_SUCCESS) {
            LogLine("source list not read: ", product);
            LogError("source list: ", read);
            return false;
        }
        sources.push_back(source.c_str());
    }
}

// The staging folders of sources that another launcher holds now.
std::vector<std::wstring> LiveFolders(const std::vector<std::wstring>& sources,
                                      const std::vector<std::wstring>& roots,
                                      const std::wstring& stagingFolder,
                                      const std::wstring& userSid) {
    std::vector<std::wstring> live;
    for (const std::wstring& source : sources) {
        if (IsStagingFolderIn(source, roots) &&
            (stagingFolder.empty() || !SameFolder(source, stagingFolder)) &&
            JudgeStagingFolder(source, userSid) == FolderState::Held) {
            LogLine("source list: another run's, left: ", source.c_str());
            live.push_back(source);
        }
    }
    return live;
}

// Makes the change in the product's list; false where a source that should
// go could not be taken off (logged, as is a medium that could not be added).
bool ChangeSources(const MsiFunctions& msi, const wchar_t* product, const wchar_t* user,
                   MSIINSTALLCONTEXT context, const SourceListChange& change) {
    bool changed = true;
    if (!change.remove.empty() || !change.add.empty()) {
        LogLine("source list of ", product);
    }
    for (const std::wstring& source : change.remove) {
        const UINT cleared = msi.clearSource(product, user, context, kNetwork, source.c_str());
        if (cleared == ERROR_SUCCESS) {
            LogLine("source list: taken off ", source.c_str());
        } else {
            LogLine("source list: not taken off ", source.c_str());
            LogError("source list: ", cleared);
            changed = false;
        }
    }
    if (!change.add.empty()) {
        UINT added = msi.addSource(product, user, context, kNetwork, change.add.c_str(), 1);
        if (added == ERROR_SUCCESS) {
            added = msi.setInfo(product, user, context, kNetwork, INSTALLPROPERTY_LASTUSEDSOURCE,
                                change.add.c_str());
        }
        if (added == ERROR_SUCCESS) {
            LogLine("source list: first and last used ", change.add.c_str());
        } else {
            LogLine("source list: not added ", change.add.c_str());
            LogError("source list: ", added);
        }
    }
    return changed;
}

} // namespace

bool KeepMediumAsSource(MsiLibrary& library, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder, const std::wstring& userSid) {
    if (library.Functions() == nullptr) {
        LogError("source lists: no msi.dll, ", GetLastError());
        return false;
    }
    const MsiFunctions& msi = *library.Functions();
    const std::vector<std::wstring> roots = StagingRootFolders();
    bool mended = true;
    int failures = 0;
    DWORD index = 0;
    for (; failures < kFailuresInARow; ++index) {
        wchar_t product[39] = {};
        wchar_t sid[256] = {};
        DWORD sidLength = 256;
        MSIINSTALLCONTEXT context = MSIINSTALLCONTEXT_NONE;
        // "s-1-1-0": every user's products, and the machine's.
        const UINT listed = msi.enumProducts(nullptr, L"s-1-1-0", MSIINSTALLCONTEXT_ALL, index,
                                             product, &context, sid, &sidLength);
        if (listed == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (listed != ERROR_SUCCESS) {
            LogNumber("source lists: product not listed, index ", index);
            LogError("source lists: ", listed);
            mended = false;
            // Without administrators' rights no product will list.
            failures = listed == ERROR_ACCESS_DENIED ? kFailuresInARow : failures + 1;
            continue;
        }
        failures = 0;
        const wchar_t* const user = context == MSIINSTALLCONTEXT_MACHINE ? nullptr : sid;
        std::vector<std::wstring> sources;
        mended = ReadSources(msi, product, user, context, sources) && mended;
        mended = ChangeSources(
                     msi, product, user, context,
                     ChooseSourceListChange(sources, roots, stagingFolder, launcherFolder,
                                            LiveFolders(sources, roots, stagingFolder, userSid))) &&
                 mended;
    }
    if (failures == kFailuresInARow) {
        LogLine("source lists: the listing of products failed, the rest not read");
        mended = false;
    }
    LogNumber(mended ? "source lists: mended, products "
                     : "source lists: not all mended, products ",
              index);
    return mended;
}
