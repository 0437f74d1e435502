// Where the installed product finds its package again: the medium, never a staging folder.
#include "app/product_source.h"
#include "app/msi_api.h"
#include "base/run_log.h"
#include "staging/folder.h"
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

// Whether source is a staging folder directly in root.
bool IsStagingFolderIn(const std::wstring& source, const std::wstring& root) {
    const int name = FolderLength(root) + 1;
    return static_cast<int>(source.size()) > name && NamesFolder(source.c_str(), name - 1, root) &&
           source[name - 1] == L'\\' && IsStagingFolderName(source.c_str() + name);
}

} // namespace

std::vector<SourceListChange> ChooseSourceListChanges(const std::vector<ProductSources>& lists,
                                                      const std::vector<std::wstring>& stagingRoots,
                                                      const std::wstring& stagingFolder,
                                                      const std::wstring& launcherFolder) {
    std::vector<SourceListChange> changes(lists.size());
    for (size_t list = 0; list < lists.size(); ++list) {
        bool thisRun = false;
        for (const std::wstring& source : lists[list].sources) {
            const bool ours = !stagingFolder.empty() &&
                              NamesFolder(source.c_str(), FolderLength(source), stagingFolder);
            bool staged = ours;
            for (const std::wstring& root : stagingRoots) {
                staged = staged || IsStagingFolderIn(source, root);
            }
            if (staged) {
                changes[list].remove.push_back(source);
            }
            thisRun = thisRun || ours;
        }
        if (thisRun && !launcherFolder.empty()) {
            changes[list].add = launcherFolder + L"Package\\";
        }
    }
    return changes;
}

namespace {

// Every installed product's network sources, for every user and context.
std::vector<ProductSources> ReadSourceLists(const MsiFunctions& msi) {
    std::vector<ProductSources> lists;
    const DWORD network = MSICODE_PRODUCT | MSISOURCETYPE_NETWORK;
    // Room for the longest path there is.
    std::wstring source(32768, L'\0');
    for (DWORD index = 0;; ++index) {
        wchar_t product[39] = {};
        wchar_t sid[256] = {};
        DWORD sidLength = 256;
        MSIINSTALLCONTEXT context = MSIINSTALLCONTEXT_NONE;
        // "s-1-1-0": every user's products, and the machine's.
        if (msi.enumProducts(nullptr, L"s-1-1-0", MSIINSTALLCONTEXT_ALL, index, product, &context,
                             sid, &sidLength) != ERROR_SUCCESS) {
            return lists;
        }
        ProductSources list{product,
                            context == MSIINSTALLCONTEXT_MACHINE ? L"" : sid,
                            static_cast<int>(context),
                            {}};
        const wchar_t* user = list.userSid.empty() ? nullptr : list.userSid.c_str();
        for (DWORD at = 0;; ++at) {
            DWORD length = static_cast<DWORD>(source.size());
            if (msi.enumSources(product, user, context, network, at, &source[0], &length) !=
                ERROR_SUCCESS) {
                break;
            }
            list.sources.push_back(source.c_str());
        }
        lists.push_back(std::move(list));
    }
}

} // namespace

void KeepMediumAsSource(MsiLibrary& library, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder) {
    if (library.Functions() == nullptr) {
        LogLine("source lists: no msi.dll");
        return;
    }
    const MsiFunctions& msi = *library.Functions();
    const std::vector<ProductSources> lists = ReadSourceLists(msi);
    const std::vector<SourceListChange> changes =
        ChooseSourceListChanges(lists, StagingRootFolders(), stagingFolder, launcherFolder);
    const DWORD network = MSICODE_PRODUCT | MSISOURCETYPE_NETWORK;
    for (size_t list = 0; list < lists.size(); ++list) {
        const wchar_t* const product = lists[list].product.c_str();
        const wchar_t* const user =
            lists[list].userSid.empty() ? nullptr : lists[list].userSid.c_str();
        const auto context = static_cast<MSIINSTALLCONTEXT>(lists[list].context);
        const SourceListChange& change = changes[list];
        if (!change.remove.empty()) {
            LogLine("source list of ", product);
        }
        for (const std::wstring& source : change.remove) {
            LogLine(msi.clearSource(product, user, context, network, source.c_str()) ==
                            ERROR_SUCCESS
                        ? "source list: taken off "
                        : "source list: not taken off ",
                    source.c_str());
        }
        if (change.add.empty()) {
            continue;
        }
        const bool added =
            msi.addSource(product, user, context, network, change.add.c_str(), 1) ==
                ERROR_SUCCESS &&
            msi.setInfo(product, user, context, network, INSTALLPROPERTY_LASTUSEDSOURCE,
                        change.add.c_str()) == ERROR_SUCCESS;
        LogLine(added ? "source list: first and last used " : "source list: not added ",
                change.add.c_str());
    }
}
