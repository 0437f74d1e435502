// A small MSI database of the tests' own, and its summary read back.
#include "sample_database.h"
#include "file_io.h"

#include "msi_query.h"

#include <windows.h>
#include <msiquery.h>
#include <propidl.h>

#include <gtest/gtest.h>

namespace {

const wchar_t* const kProperties[][2] = {
    {L"ProductCode", L"{8F4A0C3E-5B1D-4E2A-9C7F-1A2B3C4D5E6F}"},
    {L"ProductVersion", L"1.2.3"},
    {L"UpgradeCode", L"{0D9E8F7A-6B5C-4D3E-2F1A-0B9C8D7E6F5A}"},
    {L"ProductName", L"Sample"},
    {L"ProductLanguage", L"1033"},
};

bool SetCodepage(const MsiHandle& database, const std::wstring& folder, unsigned codepage) {
    const std::wstring name = L"codepage.idt";
    const std::string idt = "\r\n\r\n" + std::to_string(codepage) + "\t_ForceCodepage\r\n";
    const bool imported =
        testfs::WriteBytes(folder + name, idt) &&
        MsiDatabaseImportW(database.Get(), folder.c_str(), name.c_str()) == ERROR_SUCCESS;
    DeleteFileW((folder + name).c_str());
    return imported;
}

bool SetSummary(const MsiHandle& database) {
    MsiHandle summary(MsiCloseHandle);
    return MsiGetSummaryInformationW(database.Get(), nullptr, 2, summary.Receive()) == ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyW(summary.Get(), PIDSI_TEMPLATE, VT_LPSTR, 0, nullptr,
                                      L"Intel;1033") == ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyW(summary.Get(), PIDSI_PAGECOUNT, VT_I4, 300, nullptr,
                                      nullptr) == ERROR_SUCCESS &&
           MsiSummaryInfoPersist(summary.Get()) == ERROR_SUCCESS;
}

} // namespace

bool CreateSampleDatabase(const std::wstring& path, unsigned codepage) {
    const Result<MsiHandle> database = OpenDatabase(path, MsiAccess::Create);
    if (!database) {
        ADD_FAILURE() << database.Error();
        return false;
    }
    const wchar_t* const statements[] = {
        L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` CHAR(0) NOT NULL "
        L"LOCALIZABLE PRIMARY KEY `Property`)",
        L"CREATE TABLE `Setting` (`Setting` CHAR(72) NOT NULL, `Name` CHAR(255), `Value` "
        L"CHAR(0), `Number` SHORT PRIMARY KEY `Setting`)",
        L"INSERT INTO `Setting` (`Setting`, `Name`, `Value`, `Number`) VALUES ('A', 'alpha', "
        L"'one', 1)",
        L"INSERT INTO `Setting` (`Setting`, `Name`, `Value`, `Number`) VALUES ('B', 'beta', "
        L"'two', 2)",
    };
    for (const wchar_t* statement : statements) {
        const Result<void> done = Execute(*database, statement);
        if (!done) {
            ADD_FAILURE() << done.Error();
            return false;
        }
    }
    for (const auto& property : kProperties) {
        const Result<void> done =
            Execute(*database, L"INSERT INTO `Property` (`Property`, `Value`) VALUES (?, ?)",
                    {property[0], property[1]});
        if (!done) {
            ADD_FAILURE() << done.Error();
            return false;
        }
    }
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    if ((codepage != 0 && !SetCodepage(*database, folder, codepage)) || !SetSummary(*database)) {
        ADD_FAILURE() << "no codepage or summary for the sample database";
        return false;
    }
    const Result<void> committed = Commit(*database);
    if (!committed) {
        ADD_FAILURE() << committed.Error();
    }
    return static_cast<bool>(committed);
}

std::wstring SummaryText(MSIHANDLE summary, UINT property) {
    UINT type = 0;
    INT number = 0;
    FILETIME time = {};
    wchar_t text[256] = {};
    DWORD size = 256;
    if (MsiSummaryInfoGetPropertyW(summary, property, &type, &number, &time, text, &size) !=
        ERROR_SUCCESS) {
        return L"<unreadable>";
    }
    return type == VT_LPSTR ? std::wstring(text, size) : std::to_wstring(number);
}
