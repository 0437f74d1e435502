// MSI files read through the Windows Installer API, with the one query helper.
#include "package_property.h"

Result<std::vector<MsiRow>> PackageRows(const std::wstring& msiPath, const std::wstring& query,
                                        const std::wstring& transform) {
    const Result<MsiHandle> database = OpenDatabase(msiPath, MsiAccess::ReadOnly);
    if (!database) {
        return Failure{database.Error()};
    }
    if (!transform.empty()) {
        const Result<void> applied = ApplyTransform(*database, transform);
        if (!applied) {
            return Failure{applied.Error()};
        }
    }
    return QueryRows(*database, query);
}

std::optional<std::wstring> FirstCell(const std::wstring& msiPath, const std::wstring& transform,
                                      const std::wstring& query) {
    const Result<std::vector<MsiRow>> rows = PackageRows(msiPath, query, transform);
    if (!rows || rows->empty() || rows->front().empty()) {
        return std::nullopt;
    }
    return rows->front().front();
}

std::wstring PackageProperty(const std::wstring& msiPath, const wchar_t* property) {
    return FirstCell(msiPath, L"",
                     std::wstring(L"SELECT `Value` FROM `Property` WHERE `Property` = '") +
                         property + L"'")
        .value_or(L"<unreadable>");
}
