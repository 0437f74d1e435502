#pragma once

#include "msi/handle.h"
#include "result.h"

#include <windows.h>
#include <msi.h>

#include <string>
#include <vector>

// Queries on MSI databases, each through one call that returns what it read
// or why it failed. Nothing here knows the transform writer, so tests can use
// it as well.

enum class MsiAccess {
    ReadOnly,
    // Changes stay in memory until Commit.
    Transact,
    // A new, empty database in place of any file at the path, committed like
    // Transact.
    Create,
};

// A row of a query, every field as text: integers as their digits, null
// fields as empty text.
using MsiRow = std::vector<std::wstring>;

struct MsiColumns {
    std::vector<std::wstring> names;
    std::vector<std::wstring> types; // such as "s72" or "I2"
};

Result<MsiHandle> OpenDatabase(const std::wstring& path, MsiAccess access);

Result<void> Commit(const MsiHandle& database);

// transform is ":name" for a transform embedded in the database, or else the
// path of a transform file.
Result<void> ApplyTransform(const MsiHandle& database, const std::wstring& transform);

// Each ? in query takes the next of parameters. Every field is read as text,
// so a query selects no stream columns.
Result<std::vector<MsiRow>> QueryRows(const MsiHandle& database, const std::wstring& query,
                                      const std::vector<std::wstring>& parameters = {});

// A statement that returns no rows, such as INSERT or CREATE TABLE.
Result<void> Execute(const MsiHandle& database, const std::wstring& statement,
                     const std::vector<std::wstring>& parameters = {});

// The first field of the first row; a query that finds no row fails.
Result<std::wstring> QueryFirstCell(const MsiHandle& database, const std::wstring& query,
                                    const std::vector<std::wstring>& parameters = {});

// The columns that a query returns, without running it.
Result<MsiColumns> QueryColumns(const MsiHandle& database, const std::wstring& query);

Result<std::vector<std::wstring>> PrimaryKeys(const MsiHandle& database, const std::wstring& table);
