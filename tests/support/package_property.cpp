#include "package_property.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

std::optional<std::wstring> FirstCell(const std::wstring& msiPath, const std::wstring& transform,
                                      const std::wstring& query) {
    std::optional<std::wstring> result;
    MSIHANDLE database = 0, view = 0, record = 0;
    if (MsiOpenDatabaseW(msiPath.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS) {
        return result;
    }
    if ((transform.empty() ||
         MsiDatabaseApplyTransformW(database, transform.c_str(), 0) == ERROR_SUCCESS) &&
        MsiDatabaseOpenViewW(database, query.c_str(), &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        wchar_t value[512] = {};
        DWORD size = 512;
        if (MsiRecordGetStringW(record, 1, value, &size) == ERROR_SUCCESS) {
            result = std::wstring(value, size);
        }
        MsiCloseHandle(record);
    }
    if (view != 0) {
        MsiCloseHandle(view);
    }
    MsiCloseHandle(database);
    return result;
}

std::wstring PackageProperty(const std::wstring& msiPath, const wchar_t* property) {
    return FirstCell(msiPath, L"",
                     std::wstring(L"SELECT `Value` FROM `Property` WHERE `Property` = '") +
                         property + L"'")
        .value_or(L"<unreadable>");
}
