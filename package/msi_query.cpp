#include "msi_query.h"

#include <msiquery.h>

namespace {

Failure Failed(const char* call, UINT result) {
    return Failure{std::string(call) + " failed with error " + std::to_string(result)};
}

Result<std::wstring> FieldText(MSIHANDLE record, UINT field) {
    std::wstring text(64, L'\0');
    DWORD size = static_cast<DWORD>(text.size());
    UINT result = MsiRecordGetStringW(record, field, &text[0], &size);
    if (result == ERROR_MORE_DATA) {
        text.assign(size + 1, L'\0');
        size = static_cast<DWORD>(text.size());
        result = MsiRecordGetStringW(record, field, &text[0], &size);
    }
    if (result != ERROR_SUCCESS) {
        return Failed("MsiRecordGetString", result);
    }
    text.resize(size);
    return text;
}

Result<std::vector<std::wstring>> RecordTexts(MSIHANDLE record) {
    std::vector<std::wstring> texts;
    const UINT count = MsiRecordGetFieldCount(record);
    for (UINT field = 1; field <= count; ++field) {
        Result<std::wstring> text = FieldText(record, field);
        if (!text) {
            return Failure{text.Error()};
        }
        texts.push_back(std::move(*text));
    }
    return texts;
}

Result<MsiHandle> ExecutedView(const MsiHandle& database, const std::wstring& query,
                               const std::vector<std::wstring>& parameters) {
    MsiHandle view(MsiCloseHandle);
    UINT result = MsiDatabaseOpenViewW(database.Get(), query.c_str(), view.Receive());
    if (result != ERROR_SUCCESS) {
        return Failed("MsiDatabaseOpenView", result);
    }
    MsiHandle arguments(MsiCloseHandle);
    if (!parameters.empty()) {
        *arguments.Receive() = MsiCreateRecord(static_cast<UINT>(parameters.size()));
        for (size_t i = 0; i < parameters.size(); ++i) {
            result = MsiRecordSetStringW(arguments.Get(), static_cast<UINT>(i + 1),
                                         parameters[i].c_str());
            if (result != ERROR_SUCCESS) {
                return Failed("MsiRecordSetString", result);
            }
        }
    }
    result = MsiViewExecute(view.Get(), arguments.Get());
    if (result != ERROR_SUCCESS) {
        return Failed("MsiViewExecute", result);
    }
    return view;
}

} // namespace

Result<MsiHandle> OpenDatabase(const std::wstring& path, MsiAccess access) {
    LPCWSTR mode = MSIDBOPEN_READONLY;
    if (access == MsiAccess::Transact) {
        mode = MSIDBOPEN_TRANSACT;
    } else if (access == MsiAccess::Create) {
        mode = MSIDBOPEN_CREATE;
    }
    MsiHandle database(MsiCloseHandle);
    const UINT result = MsiOpenDatabaseW(path.c_str(), mode, database.Receive());
    if (result != ERROR_SUCCESS) {
        return Failed("MsiOpenDatabase", result);
    }
    return database;
}

Result<void> Commit(const MsiHandle& database) {
    const UINT result = MsiDatabaseCommit(database.Get());
    if (result != ERROR_SUCCESS) {
        return Failed("MsiDatabaseCommit", result);
    }
    return {};
}

Result<void> ApplyTransform(const MsiHandle& database, const std::wstring& transform) {
    const UINT result = MsiDatabaseApplyTransformW(database.Get(), transform.c_str(), 0);
    if (result != ERROR_SUCCESS) {
        return Failed("MsiDatabaseApplyTransform", result);
    }
    return {};
}

Result<void> Execute(const MsiHandle& database, const std::wstring& statement,
                     const std::vector<std::wstring>& parameters) {
    const Result<MsiHandle> view = ExecutedView(database, statement, parameters);
    if (!view) {
        return Failure{view.Error()};
    }
    return {};
}

Result<std::vector<MsiRow>> QueryRows(const MsiHandle& database, const std::wstring& query,
                                      const std::vector<std::wstring>& parameters) {
    const Result<MsiHandle> view = ExecutedView(database, query, parameters);
    if (!view) {
        return Failure{view.Error()};
    }
    std::vector<MsiRow> rows;
    for (;;) {
        MsiHandle record(MsiCloseHandle);
        const UINT result = MsiViewFetch(view->Get(), record.Receive());
        if (result == ERROR_NO_MORE_ITEMS) {
            return rows;
        }
        if (result != ERROR_SUCCESS) {
            return Failed("MsiViewFetch", result);
        }
        Result<MsiRow> row = RecordTexts(record.Get());
        if (!row) {
            return Failure{row.Error()};
        }
        rows.push_back(std::move(*row));
    }
}

Result<std::wstring> QueryFirstCell(const MsiHandle& database, const std::wstring& query,
                                    const std::vector<std::wstring>& parameters) {
    const Result<std::vector<MsiRow>> rows = QueryRows(database, query, parameters);
    if (!rows) {
        return Failure{rows.Error()};
    }
    if (rows->empty() || rows->front().empty()) {
        return Failure{"the query found no row"};
    }
    return rows->front().front();
}

Result<MsiColumns> QueryColumns(const MsiHandle& database, const std::wstring& query) {
    MsiHandle view(MsiCloseHandle), names(MsiCloseHandle), types(MsiCloseHandle);
    UINT result = MsiDatabaseOpenViewW(database.Get(), query.c_str(), view.Receive());
    if (result != ERROR_SUCCESS) {
        return Failed("MsiDatabaseOpenView", result);
    }
    result = MsiViewGetColumnInfo(view.Get(), MSICOLINFO_NAMES, names.Receive());
    if (result == ERROR_SUCCESS) {
        result = MsiViewGetColumnInfo(view.Get(), MSICOLINFO_TYPES, types.Receive());
    }
    if (result != ERROR_SUCCESS) {
        return Failed("MsiViewGetColumnInfo", result);
    }
    Result<std::vector<std::wstring>> nameTexts = RecordTexts(names.Get());
    Result<std::vector<std::wstring>> typeTexts = RecordTexts(types.Get());
    if (!nameTexts || !typeTexts) {
        return Failure{nameTexts ? typeTexts.Error() : nameTexts.Error()};
    }
    return MsiColumns{std::move(*nameTexts), std::move(*typeTexts)};
}

Result<std::vector<std::wstring>> PrimaryKeys(const MsiHandle& database,
                                              const std::wstring& table) {
    MsiHandle keys(MsiCloseHandle);
    const UINT result = MsiDatabaseGetPrimaryKeysW(database.Get(), table.c_str(), keys.Receive());
    if (result != ERROR_SUCCESS) {
        return Failed("MsiDatabaseGetPrimaryKeys", result);
    }
    // Field 0 holds the table's name.
    return RecordTexts(keys.Get());
}
