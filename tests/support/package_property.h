// MSI files read through the Windows Installer API, with the one query helper.
#pragma once

#include "msi_query.h"

#include <optional>
#include <string>
#include <vector>

// Every row of a query on an MSI file, after applying the transform (such as
// ":ja-JP.mst") when one is given, each field as text; or why it failed.
Result<std::vector<MsiRow>> PackageRows(const std::wstring& msiPath, const std::wstring& query,
                                        const std::wstring& transform = std::wstring());

// The first field of the first row of such a query; nothing when the
// package, the transform or the query fails, or no row comes back.
std::optional<std::wstring> FirstCell(const std::wstring& msiPath, const std::wstring& transform,
                                      const std::wstring& query);

// A property of an MSI file, or "<unreadable>".
std::wstring PackageProperty(const std::wstring& msiPath, const wchar_t* property);
