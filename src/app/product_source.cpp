// Where the installed product finds its package again: the medium, never a staging folder.
#include "app/product_source.h"
#include "base/loaded_function.h"
#include "base/run_log.h"
#include "base/unique_handle.h"
#include "staging/staging.h"

#include <msi.h>
#include <msiquery.h>

#include <cwctype>

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

// Whether source is "QLN" and four hexadecimal digits directly in root.
bool IsStagingFolderIn(const std::wstring& source, const std::wstring& root) {
    const int length = FolderLength(source);
    const int name = FolderLength(root) + 1;
    if (length != name + 7 || !NamesFolder(source.c_str(), name - 1, root) ||
        source[name - 1] != L'\\' ||
        CompareStringOrdinal(&source[name], 3, L"QLN", 3, TRUE) != CSTR_EQUAL) {
        return false;
    }
    for (int at = name + 3; at < length; ++at) {
        if (!iswxdigit(source[at])) {
            return false;
        }
    }
    return true;
}

// msi.dll, from the system folder, with the functions the launcher uses.
struct MsiApi {
    decltype(&MsiOpenDatabaseW) openDatabase;
    decltype(&MsiDatabaseOpenViewW) openView;
    decltype(&MsiViewExecute) execute;
    decltype(&MsiViewFetch) fetch;
    decltype(&MsiRecordGetStringW) getString;
    decltype(&MsiCloseHandle) closeHandle;
    decltype(&MsiSourceListEnumSourcesW) enumSources;
    decltype(&MsiSourceListClearSourceW) clearSource;
    decltype(&MsiSourceListAddSourceExW) addSource;
    decltype(&MsiSourceListSetInfoW) setInfo;
};
MsiApi g_msi;

bool LoadMsiApi() {
    const FunctionSlot slots[] = {
        {"MsiOpenDatabaseW", &g_msi.openDatabase},
        {"MsiDatabaseOpenViewW", &g_msi.openView},
        {"MsiViewExecute", &g_msi.execute},
        {"MsiViewFetch", &g_msi.fetch},
        {"MsiRecordGetStringW", &g_msi.getString},
        {"MsiCloseHandle", &g_msi.closeHandle},
        {"MsiSourceListEnumSourcesW", &g_msi.enumSources},
        {"MsiSourceListClearSourceW", &g_msi.clearSource},
        {"MsiSourceListAddSourceExW", &g_msi.addSource},
        {"MsiSourceListSetInfoW", &g_msi.setInfo},
    };
    return LoadFunctions(LoadSystemLibrary(L"msi.dll"), slots, sizeof(slots) / sizeof(slots[0]));
}

// The owners' release call; an owner holds a handle only once it is loaded.
UINT CloseMsiHandle(MSIHANDLE handle) {
    return g_msi.closeHandle(handle);
}
using MsiHandle = UniqueHandle<MSIHANDLE, CloseMsiHandle>;

} // namespace

SourceListChange ChooseSourceListChange(const std::vector<std::wstring>& sources,
                                        const std::vector<std::wstring>& stagingRoots,
                                        const std::wstring& stagingFolder,
                                        const std::wstring& launcherFolder) {
    SourceListChange change;
    for (const std::wstring& source : sources) {
        bool staged = NamesFolder(source.c_str(), FolderLength(source), stagingFolder);
        for (const std::wstring& root : stagingRoots) {
            staged = staged || IsStagingFolderIn(source, root);
        }
        if (staged) {
            change.remove.push_back(source);
        }
    }
    if (!launcherFolder.empty()) {
        change.add = launcherFolder + L"Package\\";
    }
    return change;
}

std::wstring ReadProductCode(const std::wstring& msiPath) {
    if (!LoadMsiApi()) {
        return std::wstring();
    }
    MsiHandle database;
    MsiHandle view;
    MsiHandle record;
    wchar_t code[64] = {};
    DWORD length = 64;
    if (g_msi.openDatabase(msiPath.c_str(), MSIDBOPEN_READONLY, database.Receive()) !=
            ERROR_SUCCESS ||
        g_msi.openView(database.Get(),
                       L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'",
                       view.Receive()) != ERROR_SUCCESS ||
        g_msi.execute(view.Get(), 0) != ERROR_SUCCESS ||
        g_msi.fetch(view.Get(), record.Receive()) != ERROR_SUCCESS ||
        g_msi.getString(record.Get(), 1, code, &length) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return code;
}

void KeepMediumAsSource(const std::wstring& productCode, const std::wstring& stagingFolder,
                        const std::wstring& launcherFolder) {
    // A product code read means that msi.dll's functions are loaded.
    if (productCode.empty()) {
        return;
    }
    // Every root a launcher stages in, for this account or another.
    std::vector<std::wstring> roots(3);
    for (int root = 0; root < 3; ++root) {
        RootFolder(static_cast<StagingRoot>(root), roots[root]);
    }
    const wchar_t* const product = productCode.c_str();
    const DWORD network = MSICODE_PRODUCT | MSISOURCETYPE_NETWORK;
    for (const MSIINSTALLCONTEXT context :
         {MSIINSTALLCONTEXT_MACHINE, MSIINSTALLCONTEXT_USERUNMANAGED,
          MSIINSTALLCONTEXT_USERMANAGED}) {
        std::vector<std::wstring> sources;
        UINT status = ERROR_SUCCESS;
        // Room for the longest path there is.
        std::wstring source(32768, L'\0');
        for (DWORD index = 0; status == ERROR_SUCCESS; ++index) {
            DWORD length = static_cast<DWORD>(source.size());
            status =
                g_msi.enumSources(product, nullptr, context, network, index, &source[0], &length);
            if (status == ERROR_SUCCESS) {
                sources.push_back(source.c_str());
            }
        }
        // Anything else: the product is not registered in this context.
        if (status != ERROR_NO_MORE_ITEMS) {
            continue;
        }
        const SourceListChange change =
            ChooseSourceListChange(sources, roots, stagingFolder, launcherFolder);
        for (const std::wstring& source : change.remove) {
            LogLine(g_msi.clearSource(product, nullptr, context, network, source.c_str()) ==
                            ERROR_SUCCESS
                        ? "source list: taken off "
                        : "source list: not taken off ",
                    source.c_str());
        }
        if (!change.add.empty() &&
            g_msi.addSource(product, nullptr, context, network, change.add.c_str(), 1) ==
                ERROR_SUCCESS &&
            g_msi.setInfo(product, nullptr, context, network, INSTALLPROPERTY_LASTUSEDSOURCE,
                          change.add.c_str()) == ERROR_SUCCESS) {
            LogLine("source list: first and last used ", change.add.c_str());
        }
    }
}
