#pragma once

#include "result.h"

#include <string>
#include <vector>

// The changes file: UTF-8 text, one change per line, five fields separated by
// tabs: transform name, table, primary key value, column, new value. The
// lines of one transform stand together.

struct Change {
    std::wstring table, key, column, value;
};

struct TransformChanges {
    std::wstring name;
    std::vector<Change> changes;
};

// The transforms in the order of their first line; a file without any change
// is refused.
Result<std::vector<TransformChanges>> ParseChanges(const std::string& utf8);

Result<std::vector<TransformChanges>> ReadChangesFile(const std::wstring& path);
