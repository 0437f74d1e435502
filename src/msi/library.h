// Windows Installer's functions, from msi.dll of the system folder.
#pragma once

#include "msi/handle.h"
#include "base/system_library.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

// The functions of msi.dll that the launcher calls.
struct MsiFunctions {
    decltype(&MsiOpenDatabaseW) openDatabase;
    decltype(&MsiDatabaseOpenViewW) openView;
    decltype(&MsiViewExecute) execute;
    decltype(&MsiViewFetch) fetch;
    decltype(&MsiRecordGetStringW) getString;
    decltype(&MsiGetSummaryInformationW) summaryInformation;
    decltype(&MsiSummaryInfoGetPropertyW) summaryProperty;
    decltype(&MsiCloseHandle) closeHandle;
    decltype(&MsiGetProductInfoExW) productInfo;
    decltype(&MsiEnumProductsExW) enumProducts;
    decltype(&MsiSourceListEnumSourcesW) enumSources;
    decltype(&MsiSourceListClearSourceW) clearSource;
    decltype(&MsiSourceListAddSourceExW) addSource;
    decltype(&MsiSourceListSetInfoW) setInfo;

    alignas(1) static constexpr char kNames[] =
        "MsiOpenDatabaseW\0MsiDatabaseOpenViewW\0MsiViewExecute\0MsiViewFetch\0"
        "MsiRecordGetStringW\0MsiGetSummaryInformationW\0MsiSummaryInfoGetPropertyW\0"
        "MsiCloseHandle\0MsiGetProductInfoExW\0MsiEnumProductsExW\0"
        "MsiSourceListEnumSourcesW\0MsiSourceListClearSourceW\0MsiSourceListAddSourceExW\0"
        "MsiSourceListSetInfoW\0";
};

// msi.dll's functions, looked up at run time: msi.dll is loaded from the
// system folder, and only when a run first reads a package or a product's
// registration.
class MsiLibrary : public SystemLibrary<MsiFunctions> {
  public:
    MsiLibrary();
};
