// A package's identity: its product code, version and package code.
#include "msi/package_facts.h"
#include "base/run_log.h"

namespace {

// The summary information's revision number (PID_REVNUMBER): the package code.
const UINT kPackageCodeProperty = 9;

// The value of a property of the Property table into value (of length
// characters); the error of the query, ERROR_NO_MORE_ITEMS where the
// property is missing.
UINT QueryProperty(const MsiFunctions& msi, MSIHANDLE database, const wchar_t* query,
                   wchar_t* value, DWORD length) {
    MsiHandle view(msi.closeHandle);
    MsiHandle record(msi.closeHandle);
    UINT error = msi.openView(database, query, view.Receive());
    if (error == ERROR_SUCCESS) {
        error = msi.execute(view.Get(), 0);
    }
    if (error == ERROR_SUCCESS) {
        error = msi.fetch(view.Get(), record.Receive());
    }
    if (error == ERROR_SUCCESS) {
        error = msi.getString(record.Get(), 1, value, &length);
    }
    if (error == ERROR_SUCCESS && value[0] == L'\0') {
        error = ERROR_INVALID_DATA;
    }
    return error;
}

} // namespace

bool ReadPackageFacts(MsiLibrary& library, const std::wstring& msiPath, PackageFacts& facts) {
    facts = PackageFacts{};
    const MsiFunctions* const msi = library.Functions();
    if (msi == nullptr) {
        LogError("package not read: no msi.dll, ", GetLastError());
        return false;
    }
    MsiHandle database(msi->closeHandle);
    MsiHandle summary(msi->closeHandle);
    UINT type = 0;
    INT number = 0;
    FILETIME time = {};
    DWORD length = 40;
    const char* read = "package not read: ";
    UINT error = msi->openDatabase(msiPath.c_str(), MSIDBOPEN_READONLY, database.Receive());
    if (error == ERROR_SUCCESS) {
        read = "package code not read: ";
        error = msi->summaryInformation(database.Get(), nullptr, 0, summary.Receive());
    }
    if (error == ERROR_SUCCESS) {
        error = msi->summaryProperty(summary.Get(), kPackageCodeProperty, &type, &number, &time,
                                     facts.packageCode, &length);
        if (error == ERROR_SUCCESS && facts.packageCode[0] == L'\0') {
            error = ERROR_INVALID_DATA;
        }
    }
    if (error == ERROR_SUCCESS) {
        read = "product code not read: ";
        error = QueryProperty(*msi, database.Get(),
                              L"SELECT `Value` FROM `Property` WHERE `Property`='ProductCode'",
                              facts.productCode, 40);
    }
    if (error == ERROR_SUCCESS) {
        read = "product version not read: ";
        error = QueryProperty(*msi, database.Get(),
                              L"SELECT `Value` FROM `Property` WHERE `Property`='ProductVersion'",
                              facts.version, 32);
    }
    if (error != ERROR_SUCCESS) {
        LogError(read, error);
        return false;
    }
    return true;
}
