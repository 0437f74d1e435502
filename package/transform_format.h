#pragma once

#include "result.h"

#include <map>
#include <string>
#include <vector>

// The bytes of a transform's streams, made without MSI or COM so that they
// can be checked byte for byte.

// A stream of a transform: its name as stored in the compound file, and its
// bytes.
struct TransformStream {
    std::wstring name;
    std::string bytes;
};

// The summary information keeps its name as it is.
extern const wchar_t kSummaryStreamName[];

// The stored name of a table's stream: the table prefix 0x4840, then each
// pair of characters from [0-9A-Za-z._] in one UTF-16 unit and any other
// character as it is. A compound-file name holds at most 31 units.
Result<std::wstring> TableStreamName(const std::wstring& table);

// The codepage at the start of a string pool stream; 0 for a stream too short
// to hold one.
unsigned PoolCodepage(const std::string& poolBytes);

// The strings of one transform, numbered from 1 in the order of their first
// use, each with its count of uses.
class StringPool {
  public:
    // Codepage 0 is a neutral package's, which can only hold ASCII portably.
    explicit StringPool(unsigned codepage) : codepage_(codepage) {}

    // The id that a row stores for text, counting one more use; empty text is
    // a null cell, id 0, and takes no place in the pool.
    Result<unsigned> Use(const std::wstring& text);
    // _StringPool: the codepage, then the length and the count of uses of
    // each string, in 16 bits each.
    std::string PoolBytes() const;
    // _StringData: the strings in the codepage, one after another.
    std::string DataBytes() const;

  private:
    unsigned codepage_;
    std::vector<std::string> strings_;
    std::vector<unsigned> uses_;
    std::map<std::wstring, unsigned> ids_;
};

// A row of a table stream that changes cells of an existing row: the mask,
// with bit i set for each changed column i, then the string ids of the key
// column and of the changed columns, in column order.
std::string RowBytes(unsigned mask, const std::vector<unsigned>& ids);

// A property of the summary information: text in the summary's codepage, or
// a number.
struct SummaryValue {
    unsigned id;
    bool isText;
    std::string text;
    long number;
};

// The summary information stream: a property set of one section with the
// values in the order given, each padded to four bytes. The codepage property
// (1) is a 16-bit number, every other number 32 bits.
std::string SummaryStream(const std::vector<SummaryValue>& values);
