#pragma once

#include "msi_query.h"
#include "result.h"

#include <string>
#include <vector>

// What the transform writer needs to know of a table's columns.

struct Column {
    std::wstring name;
    bool isString;
    bool isNullable;
};

struct TableSchema {
    std::wstring name;
    std::vector<Column> columns;
    size_t key; // index of the one key column
};

// Tables with more than one key column, or with a key that is not text, are
// refused: a transform of this writer names its rows by one string.
Result<TableSchema> LoadTableSchema(const MsiHandle& database, const std::wstring& table);

Result<size_t> ColumnIndex(const TableSchema& table, const std::wstring& column);

// The query for one cell of the row whose key is the query's parameter.
std::wstring CellQuery(const TableSchema& table, const std::wstring& column);
