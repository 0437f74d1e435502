// Windows Installer's functions, from msi.dll of the system folder.
#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

// The functions of msi.dll that the launcher calls, looked up at run time:
// msi.dll is loaded from the system folder, and only by the runs that read
// a package or a product's registration.
struct MsiApi {
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
};

// The functions, loaded the first time; null when msi.dll or one of them is
// missing.
const MsiApi* LoadMsiApi();

// The owners' release call; an owner holds a handle only once msi.dll is loaded.
UINT CloseMsiHandle(MSIHANDLE handle);
using MsiHandle = UniqueHandle<MSIHANDLE, CloseMsiHandle>;
