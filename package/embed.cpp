#include "embed.h"

#include "msi_query.h"
#include "scratch_file.h"
#include "storage_file.h"
#include "table_schema.h"
#include "text.h"
#include "transform_builder.h"

#include <windows.h>
#include <msiquery.h>

namespace {

Failure FailedWin32(const std::string& what) {
    return Failure{what + " failed with error " + std::to_string(GetLastError())};
}

// The folder of the package with a trailing backslash, so that the copy lies
// on the package's volume and replaces it by a rename.
Result<std::wstring> FolderOf(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return FailedWin32("finding the package's folder");
    }
    std::wstring full(size, L'\0');
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], &name);
    if (length == 0 || length >= size || name == nullptr) {
        return Failure{"the package's path " + Utf8(path) + " names no file"};
    }
    return full.substr(0, name - full.c_str());
}

Result<void> InsertStorage(const MsiHandle& database, const std::wstring& name,
                           const std::wstring& file) {
    MsiHandle view(MsiCloseHandle), record(MsiCloseHandle);
    UINT result = MsiDatabaseOpenViewW(
        database.Get(), L"INSERT INTO `_Storages` (`Name`, `Data`) VALUES (?, ?)", view.Receive());
    if (result != ERROR_SUCCESS) {
        return Failure{"preparing the insertion into _Storages failed with error " +
                       std::to_string(result)};
    }
    *record.Receive() = MsiCreateRecord(2);
    result = MsiRecordSetStringW(record.Get(), 1, name.c_str());
    if (result == ERROR_SUCCESS) {
        result = MsiRecordSetStreamW(record.Get(), 2, file.c_str());
    }
    if (result == ERROR_SUCCESS) {
        result = MsiViewExecute(view.Get(), record.Get());
    }
    if (result == ERROR_SUCCESS) {
        result = MsiViewClose(view.Get());
    }
    if (result != ERROR_SUCCESS) {
        return Failure{"inserting " + Utf8(name) + " into _Storages failed with error " +
                       std::to_string(result)};
    }
    return {};
}

Result<void> EmbedOne(const MsiHandle& database, const TransformChanges& transform,
                      unsigned codepage, const std::wstring& transformFile) {
    if (transform.name.empty() || transform.name.size() > 31 ||
        transform.name.find_first_of(L"/\\:!") != std::wstring::npos) {
        return Failure{"unusable transform name " + Utf8(transform.name)};
    }
    const Result<std::vector<MsiRow>> existing =
        QueryRows(database, L"SELECT `Name` FROM `_Storages` WHERE `Name` = ?", {transform.name});
    if (!existing) {
        return Failure{"reading _Storages: " + existing.Error()};
    }
    if (!existing->empty()) {
        return Failure{"the package already holds " + Utf8(transform.name)};
    }
    const Result<std::vector<TransformStream>> streams =
        BuildTransform(database, transform, codepage);
    if (!streams) {
        return Failure{streams.Error()};
    }
    const Result<void> written = WriteTransformFile(transformFile, *streams);
    if (!written) {
        return written;
    }
    return InsertStorage(database, transform.name, transformFile);
}

// Nothing is committed unless every transform was written and inserted.
Result<void> EmbedAll(const std::wstring& msiPath,
                      const std::vector<TransformChanges>& transforms) {
    const Result<unsigned> codepage = ReadPackageCodepage(msiPath);
    if (!codepage) {
        return Failure{codepage.Error()};
    }
    const Result<MsiHandle> database = OpenDatabase(msiPath, MsiAccess::Transact);
    if (!database) {
        return Failure{"opening the package: " + database.Error()};
    }
    wchar_t temporary[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temporary) == 0) {
        return FailedWin32("finding the temporary folder");
    }
    const ScratchFile file(temporary, L"mst");
    if (file.Path().empty()) {
        return FailedWin32("creating a temporary file");
    }
    for (const TransformChanges& transform : transforms) {
        const Result<void> embedded = EmbedOne(*database, transform, *codepage, file.Path());
        if (!embedded) {
            return embedded;
        }
    }
    const Result<void> committed = Commit(*database);
    if (!committed) {
        return Failure{"committing the package: " + committed.Error()};
    }
    return {};
}

// Applies each embedded transform by its ":name" reference to a read-only view
// of the package and reads every changed cell back: Wine ignores a transform
// that it cannot read without saying so.
Result<void> VerifyEmbedded(const std::wstring& msiPath,
                            const std::vector<TransformChanges>& transforms) {
    for (const TransformChanges& transform : transforms) {
        const std::string reference = ":" + Utf8(transform.name);
        const Result<MsiHandle> database = OpenDatabase(msiPath, MsiAccess::ReadOnly);
        if (!database) {
            return Failure{"reopening the package: " + database.Error()};
        }
        const Result<void> applied = ApplyTransform(*database, L":" + transform.name);
        if (!applied) {
            return Failure{"applying " + reference + ": " + applied.Error()};
        }
        for (const Change& change : transform.changes) {
            const std::string cell =
                Utf8(change.table) + "." + Utf8(change.key) + "." + Utf8(change.column);
            const Result<TableSchema> table = LoadTableSchema(*database, change.table);
            if (!table) {
                return Failure{table.Error()};
            }
            const Result<std::wstring> value =
                QueryFirstCell(*database, CellQuery(*table, change.column), {change.key});
            if (!value) {
                return Failure{"reading back " + cell + ": " + value.Error()};
            }
            if (*value != change.value) {
                return Failure{reference + " leaves " + cell + " at \"" + Utf8(*value) + "\""};
            }
        }
    }
    return {};
}

} // namespace

Result<void> EmbedTransforms(const std::wstring& msiPath,
                             const std::vector<TransformChanges>& transforms) {
    const Result<std::wstring> folder = FolderOf(msiPath);
    if (!folder) {
        return Failure{folder.Error()};
    }
    ScratchFile copy(*folder, L"mst");
    if (copy.Path().empty()) {
        return FailedWin32("creating a copy beside the package");
    }
    if (!CopyFileW(msiPath.c_str(), copy.Path().c_str(), FALSE)) {
        return FailedWin32("copying the package");
    }
    // A read-only package gives a read-only copy, which could not be removed.
    const DWORD attributes = GetFileAttributesW(copy.Path().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
        SetFileAttributesW(copy.Path().c_str(), writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL);
    }
    Result<void> done = EmbedAll(copy.Path(), transforms);
    if (done) {
        done = VerifyEmbedded(copy.Path(), transforms);
    }
    if (!done) {
        return done;
    }
    if (!MoveFileExW(copy.Path().c_str(), msiPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return FailedWin32("replacing the package with its embedded copy");
    }
    copy.Moved();
    return {};
}
