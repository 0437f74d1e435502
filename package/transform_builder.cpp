#include "transform_builder.h"

#include "table_schema.h"
#include "text.h"

#include <windows.h>
#include <propidl.h>
#include <msiquery.h>

#include <map>

namespace {

// Validation flag: a transform applies only to the product it was made for.
const long kValidateProduct = 0x0002;
// A mask has 16 bits, and bit 0 would mark a whole row.
const size_t kLastMaskedColumn = 15;

struct RowChange {
    std::wstring key;
    unsigned mask = 0;
    std::map<size_t, std::wstring> values; // by column index
};

struct TableChanges {
    TableSchema schema;
    std::vector<RowChange> rows;
};

// What a change may touch; the row is looked up by the caller.
Result<size_t> ChangedColumn(const TableSchema& table, const Change& change) {
    const Result<size_t> index = ColumnIndex(table, change.column);
    if (!index) {
        return index;
    }
    const Column& column = table.columns[*index];
    if (*index == table.key) {
        return Failure{"a transform of this writer does not change key columns"};
    }
    if (*index == 0 || *index > kLastMaskedColumn) {
        return Failure{"column " + Utf8(change.column) + " cannot be masked"};
    }
    if (!column.isString) {
        return Failure{"column " + Utf8(change.column) + " does not hold strings"};
    }
    if (change.value.empty() && !column.isNullable) {
        return Failure{"column " + Utf8(change.column) + " cannot be empty"};
    }
    return index;
}

// The changes by table and row, in the order in which they first appear.
Result<std::vector<TableChanges>> GroupChanges(const MsiHandle& database,
                                               const std::vector<Change>& changes) {
    std::vector<TableChanges> tables;
    for (const Change& change : changes) {
        size_t t = 0;
        while (t < tables.size() && tables[t].schema.name != change.table) {
            ++t;
        }
        if (t == tables.size()) {
            Result<TableSchema> schema = LoadTableSchema(database, change.table);
            if (!schema) {
                return Failure{schema.Error()};
            }
            tables.push_back({std::move(*schema), {}});
        }
        TableChanges& table = tables[t];
        const Result<size_t> column = ChangedColumn(table.schema, change);
        if (!column) {
            return Failure{column.Error()};
        }
        const TableSchema& schema = table.schema;
        const Result<std::vector<MsiRow>> found =
            QueryRows(database, CellQuery(schema, schema.columns[schema.key].name), {change.key});
        if (!found) {
            return Failure{"looking up row " + Utf8(change.key) + " of " + Utf8(schema.name) +
                           ": " + found.Error()};
        }
        if (found->empty()) {
            return Failure{"table " + Utf8(schema.name) + " has no row " + Utf8(change.key)};
        }
        size_t r = 0;
        while (r < table.rows.size() && table.rows[r].key != change.key) {
            ++r;
        }
        if (r == table.rows.size()) {
            table.rows.push_back({change.key, 0, {}});
        }
        RowChange& row = table.rows[r];
        if ((row.mask & (1u << *column)) != 0) {
            return Failure{"the cell " + Utf8(change.key) + "." + Utf8(change.column) +
                           " is changed twice"};
        }
        row.mask |= 1u << *column;
        row.values[*column] = change.value;
    }
    return tables;
}

Result<std::vector<TransformStream>> TableStreams(const std::vector<TableChanges>& tables,
                                                  unsigned codepage) {
    StringPool pool(codepage);
    std::vector<TransformStream> streams;
    for (const TableChanges& table : tables) {
        Result<std::wstring> name = TableStreamName(table.schema.name);
        if (!name) {
            return Failure{name.Error()};
        }
        TransformStream stream{std::move(*name), {}};
        for (const RowChange& row : table.rows) {
            std::vector<unsigned> ids;
            for (size_t i = 0; i < table.schema.columns.size(); ++i) {
                const bool changed = (row.mask & (1u << i)) != 0;
                if (i != table.schema.key && !changed) {
                    continue;
                }
                const Result<unsigned> id = pool.Use(changed ? row.values.at(i) : row.key);
                if (!id) {
                    return Failure{id.Error()};
                }
                ids.push_back(*id);
            }
            stream.bytes += RowBytes(row.mask, ids);
        }
        streams.push_back(std::move(stream));
    }
    const Result<std::wstring> poolName = TableStreamName(L"_StringPool");
    const Result<std::wstring> dataName = TableStreamName(L"_StringData");
    if (!poolName || !dataName) {
        return Failure{poolName ? dataName.Error() : poolName.Error()};
    }
    streams.push_back({*poolName, pool.PoolBytes()});
    streams.push_back({*dataName, pool.DataBytes()});
    return streams;
}

Result<std::wstring> PropertyValue(const MsiHandle& database, const std::wstring& property) {
    const Result<std::vector<MsiRow>> rows =
        QueryRows(database, L"SELECT `Value` FROM `Property` WHERE `Property` = ?", {property});
    if (!rows) {
        return Failure{"reading the Property table: " + rows.Error()};
    }
    if (rows->empty()) {
        return Failure{"the package has no property " + Utf8(property)};
    }
    return rows->front().front();
}

// A summary property as text (empty when it is not text) and as a number
// (0 when it is not a number).
struct SummaryProperty {
    std::wstring text;
    int number;
};

Result<SummaryProperty> ReadSummaryProperty(const MsiHandle& database, UINT property) {
    MsiHandle summary(MsiCloseHandle);
    UINT result = MsiGetSummaryInformationW(database.Get(), nullptr, 0, summary.Receive());
    if (result != ERROR_SUCCESS) {
        return Failure{"reading the summary information failed with error " +
                       std::to_string(result)};
    }
    UINT type = 0;
    INT value = 0;
    FILETIME time = {};
    wchar_t buffer[512] = {};
    DWORD size = 512;
    result =
        MsiSummaryInfoGetPropertyW(summary.Get(), property, &type, &value, &time, buffer, &size);
    if (result != ERROR_SUCCESS) {
        return Failure{"reading a summary property failed with error " + std::to_string(result)};
    }
    return SummaryProperty{type == VT_LPSTR ? std::wstring(buffer, size) : std::wstring(),
                           type == VT_I4 || type == VT_I2 ? value : 0};
}

// The summary names the package the transform belongs to, before and after:
// platform and languages, product code, version and upgrade code.
Result<std::vector<SummaryValue>> TransformSummary(const MsiHandle& database,
                                                   const TransformChanges& transform) {
    const Result<std::wstring> productCode = PropertyValue(database, L"ProductCode");
    const Result<std::wstring> version = PropertyValue(database, L"ProductVersion");
    const Result<std::wstring> upgradeCode = PropertyValue(database, L"UpgradeCode");
    for (const Result<std::wstring>* value : {&productCode, &version, &upgradeCode}) {
        if (!*value) {
            return Failure{value->Error()};
        }
    }
    const Result<SummaryProperty> baseTemplate = ReadSummaryProperty(database, PIDSI_TEMPLATE);
    const Result<SummaryProperty> pageCount = ReadSummaryProperty(database, PIDSI_PAGECOUNT);
    if (!baseTemplate || !pageCount) {
        return Failure{baseTemplate ? pageCount.Error() : baseTemplate.Error()};
    }
    std::wstring newLanguage;
    for (const Change& change : transform.changes) {
        if (change.table == L"Property" && change.key == L"ProductLanguage" &&
            change.column == L"Value") {
            newLanguage = change.value;
        }
    }
    const std::wstring& base = baseTemplate->text;
    const size_t semicolon = base.find(L';');
    if (semicolon == std::wstring::npos) {
        return Failure{"the package's template has no language list"};
    }
    const std::wstring target =
        newLanguage.empty() ? base : base.substr(0, semicolon + 1) + newLanguage;
    const std::wstring revision =
        *productCode + *version + L";" + *productCode + *version + L";" + *upgradeCode;
    std::vector<SummaryValue> values = {{PID_CODEPAGE, false, "", 1252},
                                        {PIDSI_TITLE, true, "Transform", 0}};
    const std::pair<unsigned, std::wstring> texts[] = {
        {PIDSI_TEMPLATE, base}, {PIDSI_LASTAUTHOR, target}, {PIDSI_REVNUMBER, revision}};
    for (const auto& [id, text] : texts) {
        // The summary declares codepage 1252 for its texts.
        std::optional<std::string> bytes = ToCodepage(text, 1252);
        if (!bytes) {
            return Failure{"the summary text " + Utf8(text) + " does not fit codepage 1252"};
        }
        values.push_back({id, true, std::move(*bytes), 0});
    }
    values.push_back(
        {PIDSI_PAGECOUNT, false, "", pageCount->number != 0 ? pageCount->number : 200});
    values.push_back({PIDSI_CHARCOUNT, false, "", kValidateProduct});
    return values;
}

} // namespace

Result<std::vector<TransformStream>>
BuildTransform(const MsiHandle& database, const TransformChanges& transform, unsigned codepage) {
    Result<std::vector<TableChanges>> tables = GroupChanges(database, transform.changes);
    if (!tables) {
        return Failure{tables.Error()};
    }
    Result<std::vector<TransformStream>> streams = TableStreams(*tables, codepage);
    if (!streams) {
        return streams;
    }
    const Result<std::vector<SummaryValue>> summary = TransformSummary(database, transform);
    if (!summary) {
        return Failure{summary.Error()};
    }
    streams->push_back({kSummaryStreamName, SummaryStream(*summary)});
    return streams;
}
