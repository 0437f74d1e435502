#include "transform_format.h"

#include "text.h"

#include <windows.h>
#include <propidl.h>

namespace {

// FMTID_SummaryInformation.
const GUID kSummaryFormat = {
    0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}};

const unsigned kTablePrefix = 0x4840;
const size_t kMaxNameUnits = 31;
const unsigned kMaxU16 = 0xFFFF;

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

int NameDigit(wchar_t ch) {
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

} // namespace

const wchar_t kSummaryStreamName[] = L"\005SummaryInformation";

Result<std::wstring> TableStreamName(const std::wstring& table) {
    std::wstring encoded(1, static_cast<wchar_t>(kTablePrefix));
    for (size_t i = 0; i < table.size(); ++i) {
        const int first = NameDigit(table[i]);
        if (first < 0) {
            encoded += table[i];
            continue;
        }
        const int second = i + 1 < table.size() ? NameDigit(table[i + 1]) : -1;
        if (second < 0) {
            encoded += static_cast<wchar_t>(0x4800 + first);
        } else {
            encoded += static_cast<wchar_t>(0x3800 + first + (second << 6));
            ++i;
        }
    }
    if (encoded.size() > kMaxNameUnits) {
        return Failure{"the name " + Utf8(table) + " is too long for a stream"};
    }
    return encoded;
}

unsigned PoolCodepage(const std::string& poolBytes) {
    if (poolBytes.size() < 4) {
        return 0;
    }
    const auto byte = [&poolBytes](size_t i) { return static_cast<unsigned char>(poolBytes[i]); };
    // The top bit says that the package's rows store string ids in three bytes.
    return byte(0) | byte(1) << 8 | byte(2) << 16 | (byte(3) & 0x7Fu) << 24;
}

Result<unsigned> StringPool::Use(const std::wstring& text) {
    // A pool entry of length 0 that has uses is read as the start of a long
    // string, so the empty text takes none.
    if (text.empty()) {
        return 0u;
    }
    const auto found = ids_.find(text);
    if (found != ids_.end()) {
        unsigned& uses = uses_[found->second - 1];
        if (uses == kMaxU16) {
            return Failure{"the value " + Utf8(text) + " is used too often for one transform"};
        }
        ++uses;
        return found->second;
    }
    std::optional<std::string> encoded;
    if (codepage_ == 0) {
        encoded.emplace();
        for (wchar_t ch : text) {
            if (ch > 0x7F) {
                return Failure{"the package is codepage-neutral; the value " + Utf8(text) +
                               " is not ASCII"};
            }
            *encoded += static_cast<char>(ch);
        }
    } else {
        encoded = ToCodepage(text, codepage_);
        if (!encoded) {
            return Failure{"the value " + Utf8(text) + " does not fit the package's codepage"};
        }
    }
    if (encoded->size() > kMaxU16) {
        return Failure{"a string is too long for this transform writer"};
    }
    const unsigned id = static_cast<unsigned>(strings_.size() + 1);
    if (id > kMaxU16) {
        return Failure{"too many strings for one transform"};
    }
    strings_.push_back(std::move(*encoded));
    uses_.push_back(1);
    ids_[text] = id;
    return id;
}

std::string StringPool::PoolBytes() const {
    std::string bytes;
    PutU32(bytes, codepage_);
    for (size_t i = 0; i < strings_.size(); ++i) {
        PutU16(bytes, static_cast<unsigned>(strings_[i].size()));
        PutU16(bytes, uses_[i]);
    }
    return bytes;
}

std::string StringPool::DataBytes() const {
    std::string bytes;
    for (const std::string& text : strings_) {
        bytes += text;
    }
    return bytes;
}

std::string RowBytes(unsigned mask, const std::vector<unsigned>& ids) {
    std::string bytes;
    PutU16(bytes, mask);
    for (unsigned id : ids) {
        PutU16(bytes, id);
    }
    return bytes;
}

std::string SummaryStream(const std::vector<SummaryValue>& values) {
    const size_t headerSize = 8 + 8 * values.size();
    std::string index, data;
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
    std::string section;
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
