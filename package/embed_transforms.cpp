// Embeds Windows Installer transforms in an MSI package. Each transform only
// changes string cells of rows that the package already has; it is written as
// a structured-storage file, stored in the package's _Storages table under its
// name, and then applied to a fresh copy of the package to prove its effect.
//
// Usage: embed_transforms <package.msi> <changes file>
// The changes file is UTF-8 text, one change per line, five fields separated
// by tabs: transform name, table, primary key value, column, new value.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>

#include <cstdio>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {

// The class id that marks a storage as a Windows Installer transform.
const CLSID kTransformClass = {
    0x000C1082, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// FMTID_SummaryInformation.
const GUID kSummaryFormat = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

// Validation flag: a transform applies only to the product it was made for.
const unsigned kValidateProduct = 0x0002;

// The first failure of the run, which every operation returns false after
// recording; the message is printed once, at the end.
std::string g_failure;

bool Fail(const std::string& message) {
    if (g_failure.empty()) {
        g_failure = message;
    }
    return false;
}

bool Wide(const std::string& text, std::wstring& result) {
    result.clear();
    if (text.empty()) {
        return true;
    }
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) {
        return Fail("the changes file is not UTF-8 text");
    }
    result.assign(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return true;
}

std::string Narrow(const std::wstring& text, UINT codepage = CP_UTF8) {
    if (text.empty()) {
        return std::string();
    }
    const int size = WideCharToMultiByte(codepage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(codepage, 0, text.data(), static_cast<int>(text.size()), &result[0],
                            size, nullptr, nullptr);
    }
    return result;
}

bool Check(UINT result, const std::string& what) {
    if (result != ERROR_SUCCESS) {
        return Fail(what + " failed with error " + std::to_string(result));
    }
    return true;
}

bool CheckHr(HRESULT result, const std::string& what) {
    if (FAILED(result)) {
        char code[16];
        snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(result));
        return Fail(what + " failed with " + code);
    }
    return true;
}

class Handle {
  public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != 0) {
            MsiCloseHandle(handle_);
        }
    }
    MSIHANDLE* Out() {
        return &handle_;
    }
    operator MSIHANDLE() const {
        return handle_;
    }

  private:
    MSIHANDLE handle_ = 0;
};

template <typename T> class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    T** Out() {
        return &pointer_;
    }
    T* operator->() const {
        return pointer_;
    }

  private:
    T* pointer_ = nullptr;
};

bool RecordString(MSIHANDLE record, UINT field, std::wstring& text) {
    DWORD size = 0;
    wchar_t empty[1] = {};
    UINT result = MsiRecordGetStringW(record, field, empty, &size);
    if (result != ERROR_MORE_DATA && !Check(result, "MsiRecordGetString")) {
        return false;
    }
    text.assign(size + 1, L'\0');
    size += 1;
    if (!Check(MsiRecordGetStringW(record, field, &text[0], &size), "MsiRecordGetString")) {
        return false;
    }
    text.resize(size);
    return true;
}

// Table and stream names are stored in a compact form: each pair of characters
// from [0-9A-Za-z._] shares one UTF-16 unit, and table streams carry a prefix.
int StreamNameDigit(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') {
        return ch - L'0';
    }
    if (ch >= L'A' && ch <= L'Z') {
        return ch - L'A' + 10;
    }
    if (ch >= L'a' && ch <= L'z') {
        return ch - L'a' + 36;
    }
    if (ch == L'.') {
        return 62;
    }
    if (ch == L'_') {
        return 63;
    }
    return -1;
}

bool EncodeStreamName(const std::wstring& name, bool table, std::wstring& encoded) {
    encoded.clear();
    if (table) {
        encoded += static_cast<wchar_t>(0x4840);
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const int first = StreamNameDigit(name[i]);
        if (first < 0) {
            encoded += name[i];
            continue;
        }
        const int second = i + 1 < name.size() ? StreamNameDigit(name[i + 1]) : -1;
        if (second < 0) {
            encoded += static_cast<wchar_t>(0x4800 + first);
        } else {
            encoded += static_cast<wchar_t>(0x3800 + first + (second << 6));
            ++i;
        }
    }
    // A compound-file entry name holds at most 31 characters.
    if (encoded.size() > 31) {
        return Fail("the name " + Narrow(name) + " is too long for a stream");
    }
    return true;
}

struct Change {
    std::wstring table, key, column, value;
};

struct TransformChanges {
    std::wstring name;
    std::vector<Change> changes;
};

bool ReadChanges(const std::wstring& path, std::vector<TransformChanges>& transforms) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Fail("cannot open the changes file " + Narrow(path));
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);

    transforms.clear();
    std::wstring text;
    if (!Wide(bytes, text)) {
        return false;
    }
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        std::vector<std::wstring> fields;
        for (size_t from = 0;;) {
            const size_t tab = line.find(L'\t', from);
            fields.push_back(line.substr(from, tab == std::wstring::npos ? tab : tab - from));
            if (tab == std::wstring::npos) {
                break;
            }
            from = tab + 1;
        }
        if (fields.size() != 5 || fields[0].empty() || fields[1].empty() || fields[2].empty() ||
            fields[3].empty()) {
            return Fail("line " + std::to_string(lineNumber) +
                        " of the changes file does not hold five fields");
        }
        if (transforms.empty() || transforms.back().name != fields[0]) {
            for (const TransformChanges& transform : transforms) {
                if (transform.name == fields[0]) {
                    return Fail("the changes of " + Narrow(fields[0]) + " are not together");
                }
            }
            transforms.push_back({fields[0], {}});
        }
        transforms.back().changes.push_back({fields[1], fields[2], fields[3], fields[4]});
    }
    if (transforms.empty()) {
        return Fail("the changes file holds no change");
    }
    return true;
}

// The codepage of the package's string pool, which the transform's pool shares.
bool ReadDatabaseCodepage(const std::wstring& msiPath, UINT& codepage) {
    codepage = 0;
    Com<IStorage> storage;
    if (!CheckHr(StgOpenStorage(msiPath.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                nullptr, 0, storage.Out()),
                 "opening the package as a compound file")) {
        return false;
    }
    std::wstring poolName;
    if (!EncodeStreamName(L"_StringPool", true, poolName)) {
        return false;
    }
    Com<IStream> pool;
    unsigned char header[4] = {};
    ULONG read = 0;
    if (!CheckHr(storage->OpenStream(poolName.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                     pool.Out()),
                 "opening the package's string pool") ||
        !CheckHr(pool->Read(header, sizeof(header), &read), "reading the package's string pool")) {
        return false;
    }
    if (read == sizeof(header)) {
        codepage = header[0] | header[1] << 8 | header[2] << 16 | (header[3] & 0x7F) << 24;
    }
    return true;
}

struct Table {
    std::wstring name;
    std::vector<std::wstring> columns;
    std::vector<bool> isString;
    std::vector<bool> isNullable;
    std::vector<bool> isKey;
};

bool LoadTable(MSIHANDLE database, const std::wstring& name, Table& table) {
    table = Table{name, {}, {}, {}, {}};
    Handle view;
    Handle names, types, keys;
    if (!Check(
            MsiDatabaseOpenViewW(database, (L"SELECT * FROM `" + name + L"`").c_str(), view.Out()),
            "opening table " + Narrow(name)) ||
        !Check(MsiViewGetColumnInfo(view, MSICOLINFO_NAMES, names.Out()), "reading column names") ||
        !Check(MsiViewGetColumnInfo(view, MSICOLINFO_TYPES, types.Out()), "reading column types") ||
        !Check(MsiDatabaseGetPrimaryKeysW(database, name.c_str(), keys.Out()),
               "reading primary keys")) {
        return false;
    }
    const UINT count = MsiRecordGetFieldCount(names);
    std::vector<std::wstring> keyNames(MsiRecordGetFieldCount(keys));
    for (UINT i = 1; i <= keyNames.size(); ++i) {
        if (!RecordString(keys, i, keyNames[i - 1])) {
            return false;
        }
    }
    if (keyNames.size() != 1) {
        return Fail("table " + Narrow(name) + " does not have exactly one key column");
    }
    for (UINT i = 1; i <= count; ++i) {
        std::wstring column, type;
        if (!RecordString(names, i, column) || !RecordString(types, i, type)) {
            return false;
        }
        table.columns.push_back(column);
        table.isString.push_back(!type.empty() &&
                                 std::wstring(L"sSlL").find(type[0]) != std::wstring::npos);
        // Upper-case type letters mark the columns that may be empty.
        table.isNullable.push_back(!type.empty() && iswupper(type[0]));
        table.isKey.push_back(column == keyNames[0]);
        if (table.isKey.back() && !table.isString.back()) {
            return Fail("the key of table " + Narrow(name) + " does not hold strings");
        }
    }
    return true;
}

bool ColumnIndex(const Table& table, const std::wstring& column, size_t& index) {
    for (index = 0; index < table.columns.size(); ++index) {
        if (table.columns[index] == column) {
            return true;
        }
    }
    return Fail("table " + Narrow(table.name) + " has no column " + Narrow(column));
}

bool RowExists(MSIHANDLE database, const Table& table, const std::wstring& key, bool& exists) {
    size_t keyColumn = 0;
    while (!table.isKey[keyColumn]) {
        ++keyColumn;
    }
    Handle view, parameters, row;
    if (!Check(MsiDatabaseOpenViewW(database,
                                    (L"SELECT * FROM `" + table.name + L"` WHERE `" +
                                     table.columns[keyColumn] + L"` = ?")
                                        .c_str(),
                                    view.Out()),
               "looking up a row")) {
        return false;
    }
    *parameters.Out() = MsiCreateRecord(1);
    MsiRecordSetStringW(parameters, 1, key.c_str());
    if (!Check(MsiViewExecute(view, parameters), "looking up a row")) {
        return false;
    }
    exists = MsiViewFetch(view, row.Out()) == ERROR_SUCCESS;
    return true;
}

bool PropertyValue(MSIHANDLE database, const std::wstring& property, std::wstring& value) {
    Handle view, parameters, row;
    if (!Check(MsiDatabaseOpenViewW(
                   database, L"SELECT `Value` FROM `Property` WHERE `Property` = ?", view.Out()),
               "reading the Property table")) {
        return false;
    }
    *parameters.Out() = MsiCreateRecord(1);
    MsiRecordSetStringW(parameters, 1, property.c_str());
    if (!Check(MsiViewExecute(view, parameters), "reading the Property table")) {
        return false;
    }
    if (MsiViewFetch(view, row.Out()) != ERROR_SUCCESS) {
        return Fail("the package has no property " + Narrow(property));
    }
    return RecordString(row, 1, value);
}

// A summary property as text (empty when it is not text) and as a number
// (0 when it is not a number).
bool SummaryProperty(MSIHANDLE database, UINT property, std::wstring& text, int& number) {
    Handle summary;
    UINT type = 0;
    INT value = 0;
    FILETIME time = {};
    wchar_t buffer[512] = {};
    DWORD size = 512;
    if (!Check(MsiGetSummaryInformationW(database, nullptr, 0, summary.Out()),
               "reading the summary information") ||
        !Check(MsiSummaryInfoGetPropertyW(summary, property, &type, &value, &time, buffer, &size),
               "reading a summary property")) {
        return false;
    }
    text = type == VT_LPSTR ? std::wstring(buffer, size) : std::wstring();
    number = type == VT_I4 || type == VT_I2 ? value : 0;
    return true;
}

void PutU16(std::string& bytes, unsigned value) {
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
}

void PutU32(std::string& bytes, unsigned long value) {
    PutU16(bytes, value & 0xFFFF);
    PutU16(bytes, (value >> 16) & 0xFFFF);
}

void PutGuid(std::string& bytes, const GUID& guid) {
    PutU32(bytes, guid.Data1);
    PutU16(bytes, guid.Data2);
    PutU16(bytes, guid.Data3);
    bytes.append(reinterpret_cast<const char*>(guid.Data4), 8);
}

// The summary information of a transform as a property set stream, one
// section, every value padded to four bytes.
struct SummaryValue {
    unsigned id;
    bool isText;
    std::string text;
    long number;
};

std::string SummaryStream(const std::vector<SummaryValue>& values) {
    std::string section;
    std::string data;
    const size_t headerSize = 8 + 8 * values.size();
    std::string index;
    for (const SummaryValue& value : values) {
        PutU32(index, value.id);
        PutU32(index, static_cast<unsigned long>(headerSize + data.size()));
        if (value.isText) {
            PutU32(data, VT_LPSTR);
            PutU32(data, static_cast<unsigned long>(value.text.size() + 1));
            data += value.text;
            data += '\0';
            data.append((4 - data.size() % 4) % 4, '\0');
        } else if (value.id == PID_CODEPAGE) {
            PutU32(data, VT_I2);
            PutU16(data, static_cast<unsigned>(value.number));
            PutU16(data, 0);
        } else {
            PutU32(data, VT_I4);
            PutU32(data, static_cast<unsigned long>(value.number));
        }
    }
    PutU32(section, static_cast<unsigned long>(headerSize + data.size()));
    PutU32(section, static_cast<unsigned long>(values.size()));
    section += index + data;

    std::string stream;
    PutU16(stream, 0xFFFE); // byte order
    PutU16(stream, 0);      // format version
    PutU32(stream, 0x00020006);
    PutGuid(stream, GUID{});
    PutU32(stream, 1); // one section
    PutGuid(stream, kSummaryFormat);
    PutU32(stream, 48); // the section follows this header
    return stream + section;
}

struct Stream {
    std::wstring name; // as stored
    std::string bytes;
};

class StringPool {
  public:
    explicit StringPool(UINT codepage) : codepage_(codepage) {}
    bool Id(const std::wstring& text, unsigned& id) {
        const auto found = ids_.find(text);
        if (found != ids_.end()) {
            ++references_[found->second - 1];
            id = found->second;
            return true;
        }
        std::string encoded;
        if (!Encode(text, encoded)) {
            return false;
        }
        if (encoded.size() > 0xFFFF) {
            return Fail("a string is too long for this transform writer");
        }
        id = static_cast<unsigned>(strings_.size() + 1);
        if (id > 0xFFFF) {
            return Fail("too many strings for one transform");
        }
        strings_.push_back(encoded);
        references_.push_back(1);
        ids_[text] = id;
        return true;
    }
    std::string Pool() const {
        std::string bytes;
        PutU32(bytes, codepage_);
        for (size_t i = 0; i < strings_.size(); ++i) {
            PutU16(bytes, static_cast<unsigned>(strings_[i].size()));
            PutU16(bytes, references_[i]);
        }
        return bytes;
    }
    std::string Data() const {
        std::string bytes;
        for (const std::string& text : strings_) {
            bytes += text;
        }
        return bytes;
    }

  private:
    // A neutral package (codepage 0) can only hold ASCII text portably.
    bool Encode(const std::wstring& text, std::string& encoded) const {
        if (codepage_ == 0) {
            for (wchar_t ch : text) {
                if (ch > 0x7F) {
                    return Fail("the package is codepage-neutral; the value " + Narrow(text) +
                                " is not ASCII");
                }
            }
            encoded = Narrow(text, 1252);
            return true;
        }
        BOOL lossy = FALSE;
        const int size =
            WideCharToMultiByte(codepage_, WC_NO_BEST_FIT_CHARS, text.data(),
                                static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
        if (lossy || (size <= 0 && !text.empty())) {
            return Fail("the value " + Narrow(text) + " does not fit the package's codepage");
        }
        encoded = Narrow(text, codepage_);
        return true;
    }

    UINT codepage_;
    std::vector<std::string> strings_;
    std::vector<unsigned> references_;
    std::map<std::wstring, unsigned> ids_;
};

struct RowChange {
    std::wstring key;
    unsigned mask = 0;
    std::map<size_t, std::wstring> values; // by column index
};

bool BuildTransform(MSIHANDLE database, const TransformChanges& transform, UINT codepage,
                    std::vector<Stream>& streams) {
    // Group the changes by table and row, in the order in which they appear.
    std::vector<Table> tables;
    std::vector<std::vector<RowChange>> rows;
    for (const Change& change : transform.changes) {
        size_t t = 0;
        while (t < tables.size() && tables[t].name != change.table) {
            ++t;
        }
        if (t == tables.size()) {
            tables.emplace_back();
            rows.emplace_back();
            if (!LoadTable(database, change.table, tables.back())) {
                return false;
            }
        }
        const Table& table = tables[t];
        size_t column = 0;
        if (!ColumnIndex(table, change.column, column)) {
            return false;
        }
        if (table.isKey[column]) {
            return Fail("a transform of this writer does not change key columns");
        }
        // Bit 0 of the mask would mark a whole row; a mask has 16 bits.
        if (column == 0 || column > 15) {
            return Fail("column " + Narrow(change.column) + " cannot be masked");
        }
        if (!table.isString[column]) {
            return Fail("column " + Narrow(change.column) + " does not hold strings");
        }
        if (change.value.empty() && !table.isNullable[column]) {
            return Fail("column " + Narrow(change.column) + " cannot be empty");
        }
        // A row that only a transform adds would outlive the uninstallation.
        bool exists = false;
        if (!RowExists(database, table, change.key, exists)) {
            return false;
        }
        if (!exists) {
            return Fail("table " + Narrow(table.name) + " has no row " + Narrow(change.key));
        }
        std::vector<RowChange>& tableRows = rows[t];
        size_t r = 0;
        while (r < tableRows.size() && tableRows[r].key != change.key) {
            ++r;
        }
        if (r == tableRows.size()) {
            tableRows.push_back({change.key, 0, {}});
        }
        if ((tableRows[r].mask & (1u << column)) != 0) {
            return Fail("the cell " + Narrow(change.key) + "." + Narrow(change.column) +
                        " is changed twice");
        }
        tableRows[r].mask |= 1u << column;
        tableRows[r].values[column] = change.value;
    }

    StringPool pool(codepage);
    streams.clear();
    for (size_t t = 0; t < tables.size(); ++t) {
        const Table& table = tables[t];
        Stream stream;
        if (!EncodeStreamName(table.name, true, stream.name)) {
            return false;
        }
        for (const RowChange& row : rows[t]) {
            PutU16(stream.bytes, row.mask);
            for (size_t i = 0; i < table.columns.size(); ++i) {
                unsigned id = 0;
                if (table.isKey[i]) {
                    if (!pool.Id(row.key, id)) {
                        return false;
                    }
                } else if ((row.mask & (1u << i)) != 0) {
                    if (!pool.Id(row.values.at(i), id)) {
                        return false;
                    }
                } else {
                    continue;
                }
                PutU16(stream.bytes, id);
            }
        }
        streams.push_back(stream);
    }
    Stream poolStream, dataStream;
    if (!EncodeStreamName(L"_StringPool", true, poolStream.name) ||
        !EncodeStreamName(L"_StringData", true, dataStream.name)) {
        return false;
    }
    poolStream.bytes = pool.Pool();
    dataStream.bytes = pool.Data();
    streams.push_back(poolStream);
    streams.push_back(dataStream);

    // The summary names the package the transform belongs to, before and
    // after: platform and language, product code, version and upgrade code.
    std::wstring productCode, version, upgradeCode, baseTemplate, unused;
    int notNumber = 0, pageCount = 0;
    if (!PropertyValue(database, L"ProductCode", productCode) ||
        !PropertyValue(database, L"ProductVersion", version) ||
        !PropertyValue(database, L"UpgradeCode", upgradeCode) ||
        !SummaryProperty(database, PIDSI_TEMPLATE, baseTemplate, notNumber) ||
        !SummaryProperty(database, PIDSI_PAGECOUNT, unused, pageCount)) {
        return false;
    }
    std::wstring newLanguage;
    for (const Change& change : transform.changes) {
        if (change.table == L"Property" && change.key == L"ProductLanguage" &&
            change.column == L"Value") {
            newLanguage = change.value;
        }
    }
    const size_t semicolon = baseTemplate.find(L';');
    if (semicolon == std::wstring::npos) {
        return Fail("the package's template has no language list");
    }
    const std::wstring platform = baseTemplate.substr(0, semicolon);
    const std::wstring targetTemplate =
        newLanguage.empty() ? baseTemplate : platform + L";" + newLanguage;
    const std::wstring revision =
        productCode + version + L";" + productCode + version + L";" + upgradeCode;
    if (pageCount == 0) {
        pageCount = 200;
    }
    const std::vector<SummaryValue> summary = {
        {PID_CODEPAGE, false, "", 1252},
        {PIDSI_TITLE, true, "Transform", 0},
        {PIDSI_TEMPLATE, true, Narrow(baseTemplate, 1252), 0},
        {PIDSI_LASTAUTHOR, true, Narrow(targetTemplate, 1252), 0},
        {PIDSI_REVNUMBER, true, Narrow(revision, 1252), 0},
        {PIDSI_PAGECOUNT, false, "", pageCount},
        {PIDSI_CHARCOUNT, false, "", static_cast<long>(kValidateProduct)},
    };
    streams.push_back({L"\005SummaryInformation", SummaryStream(summary)});
    return true;
}

bool WriteStorageFile(const std::wstring& path, const std::vector<Stream>& streams) {
    Com<IStorage> storage;
    if (!CheckHr(StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                  0, storage.Out()),
                 "creating the transform file") ||
        !CheckHr(storage->SetClass(kTransformClass), "marking the transform")) {
        return false;
    }
    for (const Stream& stream : streams) {
        Com<IStream> out;
        ULONG written = 0;
        if (!CheckHr(storage->CreateStream(stream.name.c_str(),
                                           STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                           out.Out()),
                     "creating a transform stream") ||
            !CheckHr(
                out->Write(stream.bytes.data(), static_cast<ULONG>(stream.bytes.size()), &written),
                "writing a transform stream")) {
            return false;
        }
        if (written != stream.bytes.size()) {
            return Fail("a transform stream was written short");
        }
    }
    return CheckHr(storage->Commit(STGC_DEFAULT), "committing the transform file");
}

bool StorageExists(MSIHANDLE database, const std::wstring& name, bool& exists) {
    Handle view, parameters, row;
    if (!Check(MsiDatabaseOpenViewW(database, L"SELECT `Name` FROM `_Storages` WHERE `Name` = ?",
                                    view.Out()),
               "reading _Storages")) {
        return false;
    }
    *parameters.Out() = MsiCreateRecord(1);
    MsiRecordSetStringW(parameters, 1, name.c_str());
    if (!Check(MsiViewExecute(view, parameters), "reading _Storages")) {
        return false;
    }
    exists = MsiViewFetch(view, row.Out()) == ERROR_SUCCESS;
    return true;
}

bool InsertStorage(MSIHANDLE database, const std::wstring& name, const std::wstring& file) {
    Handle view, record;
    if (!Check(MsiDatabaseOpenViewW(
                   database, L"INSERT INTO `_Storages` (`Name`, `Data`) VALUES (?, ?)", view.Out()),
               "preparing the insertion into _Storages")) {
        return false;
    }
    *record.Out() = MsiCreateRecord(2);
    return Check(MsiRecordSetStringW(record, 1, name.c_str()), "naming the storage") &&
           Check(MsiRecordSetStreamW(record, 2, file.c_str()), "reading the transform file") &&
           Check(MsiViewExecute(view, record), "inserting " + Narrow(name) + " into _Storages") &&
           Check(MsiViewClose(view), "closing the insertion");
}

bool CellValue(MSIHANDLE database, const Change& change, std::wstring& value) {
    Table table;
    if (!LoadTable(database, change.table, table)) {
        return false;
    }
    size_t keyColumn = 0;
    while (!table.isKey[keyColumn]) {
        ++keyColumn;
    }
    Handle view, parameters, row;
    if (!Check(MsiDatabaseOpenViewW(database,
                                    (L"SELECT `" + change.column + L"` FROM `" + change.table +
                                     L"` WHERE `" + table.columns[keyColumn] + L"` = ?")
                                        .c_str(),
                                    view.Out()),
               "reading back a cell")) {
        return false;
    }
    *parameters.Out() = MsiCreateRecord(1);
    MsiRecordSetStringW(parameters, 1, change.key.c_str());
    return Check(MsiViewExecute(view, parameters), "reading back a cell") &&
           Check(MsiViewFetch(view, row.Out()), "reading back a cell") &&
           RecordString(row, 1, value);
}

// Applies each embedded transform by its ":name" reference to a read-only view
// of the package and reads every changed cell back: Wine ignores a transform
// that it cannot read without saying so.
bool VerifyEmbedded(const std::wstring& msiPath, const std::vector<TransformChanges>& transforms) {
    for (const TransformChanges& transform : transforms) {
        Handle database;
        if (!Check(MsiOpenDatabaseW(msiPath.c_str(), MSIDBOPEN_READONLY, database.Out()),
                   "reopening the package") ||
            !Check(MsiDatabaseApplyTransformW(database, (L":" + transform.name).c_str(), 0),
                   "applying :" + Narrow(transform.name))) {
            return false;
        }
        for (const Change& change : transform.changes) {
            std::wstring value;
            if (!CellValue(database, change, value)) {
                return false;
            }
            if (value != change.value) {
                return Fail(":" + Narrow(transform.name) + " leaves " + Narrow(change.table) + "." +
                            Narrow(change.key) + "." + Narrow(change.column) + " at \"" +
                            Narrow(value) + "\"");
            }
        }
    }
    return true;
}

// A file name in the temporary folder, removed again when this goes.
class TemporaryFile {
  public:
    TemporaryFile() {
        wchar_t folder[MAX_PATH + 1] = {};
        wchar_t file[MAX_PATH + 1] = {};
        if (GetTempPathW(MAX_PATH + 1, folder) != 0 &&
            GetTempFileNameW(folder, L"mst", 0, file) != 0) {
            path_ = file;
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty()) {
            DeleteFileW(path_.c_str());
        }
    }
    const std::wstring& Path() const {
        return path_;
    }

  private:
    std::wstring path_;
};

// Nothing is committed unless every transform was written and inserted.
bool Embed(const std::wstring& msiPath, const std::vector<TransformChanges>& transforms) {
    UINT codepage = 0;
    Handle database;
    if (!ReadDatabaseCodepage(msiPath, codepage) ||
        !Check(MsiOpenDatabaseW(msiPath.c_str(), MSIDBOPEN_TRANSACT, database.Out()),
               "opening the package")) {
        return false;
    }
    const TemporaryFile file;
    if (file.Path().empty()) {
        return Fail("no temporary file");
    }
    for (const TransformChanges& transform : transforms) {
        if (transform.name.empty() || transform.name.size() > 31 ||
            transform.name.find_first_of(L"/\\:!") != std::wstring::npos) {
            return Fail("unusable transform name " + Narrow(transform.name));
        }
        bool exists = false;
        if (!StorageExists(database, transform.name, exists)) {
            return false;
        }
        if (exists) {
            return Fail("the package already holds " + Narrow(transform.name));
        }
        std::vector<Stream> streams;
        if (!BuildTransform(database, transform, codepage, streams) ||
            !WriteStorageFile(file.Path(), streams) ||
            !InsertStorage(database, transform.name, file.Path())) {
            return false;
        }
    }
    return Check(MsiDatabaseCommit(database), "committing the package");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: embed_transforms <package.msi> <changes file>\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        fprintf(stderr, "embed_transforms: COM is not available\n");
        return 1;
    }
    std::vector<TransformChanges> transforms;
    const bool embedded = ReadChanges(argv[2], transforms) && Embed(argv[1], transforms) &&
                          VerifyEmbedded(argv[1], transforms);
    if (embedded) {
        for (const TransformChanges& transform : transforms) {
            printf("embed_transforms: :%s changes %u cells\n", Narrow(transform.name).c_str(),
                   static_cast<unsigned>(transform.changes.size()));
        }
    } else {
        fprintf(stderr, "embed_transforms: %s: %s\n", Narrow(argv[1]).c_str(), g_failure.c_str());
    }
    CoUninitialize();
    return embedded ? 0 : 1;
}
