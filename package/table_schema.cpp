#include "table_schema.h"

#include "text.h"

#include <cwctype>

Result<TableSchema> LoadTableSchema(const MsiHandle& database, const std::wstring& table) {
    const Result<MsiColumns> columns = QueryColumns(database, L"SELECT * FROM `" + table + L"`");
    if (!columns) {
        return Failure{"opening table " + Utf8(table) + ": " + columns.Error()};
    }
    const Result<std::vector<std::wstring>> keys = PrimaryKeys(database, table);
    if (!keys) {
        return Failure{"reading the primary keys of " + Utf8(table) + ": " + keys.Error()};
    }
    if (keys->size() != 1) {
        return Failure{"table " + Utf8(table) + " does not have exactly one key column"};
    }
    TableSchema schema{table, {}, columns->names.size()};
    for (size_t i = 0; i < columns->names.size(); ++i) {
        const std::wstring& type = columns->types[i];
        const bool isString =
            !type.empty() && std::wstring(L"sSlL").find(type[0]) != std::wstring::npos;
        // Upper-case type letters mark the columns that may be empty.
        schema.columns.push_back({columns->names[i], isString, !type.empty() && iswupper(type[0])});
        if (columns->names[i] == keys->front()) {
            if (!isString) {
                return Failure{"the key of table " + Utf8(table) + " does not hold strings"};
            }
            schema.key = i;
        }
    }
    if (schema.key == schema.columns.size()) {
        return Failure{"table " + Utf8(table) + " lacks its key column " + Utf8(keys->front())};
    }
    return schema;
}

Result<size_t> ColumnIndex(const TableSchema& table, const std::wstring& column) {
    for (size_t index = 0; index < table.columns.size(); ++index) {
        if (table.columns[index].name == column) {
            return index;
        }
    }
    return Failure{"table " + Utf8(table.name) + " has no column " + Utf8(column)};
}

std::wstring CellQuery(const TableSchema& table, const std::wstring& column) {
    return L"SELECT `" + column + L"` FROM `" + table.name + L"` WHERE `" +
           table.columns[table.key].name + L"` = ?";
}
