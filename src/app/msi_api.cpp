// Windows Installer's functions, from msi.dll of the system folder.
#include "app/msi_api.h"
#include "base/loaded_function.h"

namespace {

MsiApi g_msi;

} // namespace

const MsiApi* LoadMsiApi() {
    // The last slot is filled only once every other one is.
    if (g_msi.setInfo != nullptr) {
        return &g_msi;
    }
    const FunctionSlot slots[] = {
        {"MsiOpenDatabaseW", &g_msi.openDatabase},
        {"MsiDatabaseOpenViewW", &g_msi.openView},
        {"MsiViewExecute", &g_msi.execute},
        {"MsiViewFetch", &g_msi.fetch},
        {"MsiRecordGetStringW", &g_msi.getString},
        {"MsiGetSummaryInformationW", &g_msi.summaryInformation},
        {"MsiSummaryInfoGetPropertyW", &g_msi.summaryProperty},
        {"MsiCloseHandle", &g_msi.closeHandle},
        {"MsiGetProductInfoExW", &g_msi.productInfo},
        {"MsiEnumProductsExW", &g_msi.enumProducts},
        {"MsiSourceListEnumSourcesW", &g_msi.enumSources},
        {"MsiSourceListClearSourceW", &g_msi.clearSource},
        {"MsiSourceListAddSourceExW", &g_msi.addSource},
        {"MsiSourceListSetInfoW", &g_msi.setInfo},
    };
    return LoadFunctions(LoadSystemLibrary(L"msi.dll"), slots, sizeof(slots) / sizeof(slots[0]))
               ? &g_msi
               : nullptr;
}

UINT CloseMsiHandle(MSIHANDLE handle) {
    return g_msi.closeHandle(handle);
}
