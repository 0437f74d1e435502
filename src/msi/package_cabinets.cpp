// The cabinets that a package's Media table names.
#include "msi/package_cabinets.h"

PackageCabinets ReadPackageCabinets(MsiLibrary& library, const std::wstring& msiPath) {
    PackageCabinets package;
    const MsiFunctions* const msi = library.Functions();
    if (msi == nullptr) {
        return package;
    }
    MsiHandle database(msi->closeHandle);
    MsiHandle view(msi->closeHandle);
    if (msi->openDatabase(msiPath.c_str(), MSIDBOPEN_READONLY, database.Receive()) !=
            ERROR_SUCCESS ||
        msi->openView(database.Get(), L"SELECT `Cabinet` FROM `Media`", view.Receive()) !=
            ERROR_SUCCESS ||
        msi->execute(view.Get(), 0) != ERROR_SUCCESS) {
        return package;
    }
    for (;;) {
        MsiHandle record(msi->closeHandle);
        const UINT fetched = msi->fetch(view.Get(), record.Receive());
        if (fetched != ERROR_SUCCESS) {
            package.readable = fetched == ERROR_NO_MORE_ITEMS;
            return package;
        }
        wchar_t cabinet[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (msi->getString(record.Get(), 1, cabinet, &length) == ERROR_SUCCESS &&
            cabinet[0] != L'\0') {
            package.cabinets.push_back(cabinet);
        }
    }
}
