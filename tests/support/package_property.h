#pragma once

#include <optional>
#include <string>

// The first field of the first row of a query on an MSI file, after applying
// the transform (such as ":ja-JP.mst") when one is given; nothing when the
// package, the transform or the query fails.
std::optional<std::wstring> FirstCell(const std::wstring& msiPath, const std::wstring& transform,
                                      const std::wstring& query);

// A property of an MSI file, read through the Windows Installer API, or
// "<unreadable>".
std::wstring PackageProperty(const std::wstring& msiPath, const wchar_t* property);
