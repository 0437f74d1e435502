#include "changes_file.h"

#include "text.h"

#include <windows.h>

namespace {

std::vector<std::wstring> Fields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    for (size_t from = 0;;) {
        const size_t tab = line.find(L'\t', from);
        fields.push_back(line.substr(from, tab == std::wstring::npos ? tab : tab - from));
        if (tab == std::wstring::npos) {
            return fields;
        }
        from = tab + 1;
    }
}

// A read that fails halfway must not pass for the end of the file.
bool ReadAll(HANDLE file, std::string& bytes) {
    char buffer[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer, sizeof(buffer), &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        bytes.append(buffer, read);
    }
}

} // namespace

Result<std::vector<TransformChanges>> ParseChanges(const std::string& utf8) {
    const std::optional<std::wstring> text = FromUtf8(utf8);
    if (!text) {
        return Failure{"the changes file is not UTF-8 text"};
    }
    std::vector<TransformChanges> transforms;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text->size();) {
        size_t end = text->find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text->size();
        }
        std::wstring line = text->substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        const std::vector<std::wstring> fields = Fields(line);
        // Only the new value may be empty.
        if (fields.size() != 5 || fields[0].empty() || fields[1].empty() || fields[2].empty() ||
            fields[3].empty()) {
            return Failure{"line " + std::to_string(lineNumber) +
                           " of the changes file does not hold five fields"};
        }
        if (transforms.empty() || transforms.back().name != fields[0]) {
            for (const TransformChanges& transform : transforms) {
                if (transform.name == fields[0]) {
                    return Failure{"the changes of " + Utf8(fields[0]) + " are not together"};
                }
            }
            transforms.push_back({fields[0], {}});
        }
        transforms.back().changes.push_back({fields[1], fields[2], fields[3], fields[4]});
    }
    if (transforms.empty()) {
        return Failure{"the changes file holds no change"};
    }
    return transforms;
}

Result<std::vector<TransformChanges>> ReadChangesFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Failure{"cannot open the changes file " + Utf8(path)};
    }
    std::string bytes;
    const bool read = ReadAll(file, bytes);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!read) {
        return Failure{"reading the changes file " + Utf8(path) + " failed with error " +
                       std::to_string(error)};
    }
    return ParseChanges(bytes);
}
