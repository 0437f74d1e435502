// The stand-in for msiexec.exe in the prefix, and what it records.
#include "stand_in.h"
#include "file_io.h"
#include "launcher_places.h"
#include "poll.h"
#include "test_main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) {
        ch = static_cast<wchar_t>(towlower(ch));
    }
    return text;
}

} // namespace

std::wstring SystemMsiexec() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\msiexec.exe";
}

bool IsSystemMsiexec(const std::wstring& module) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring base = Lower(windows);
    const std::wstring path = Lower(module);
    return path == base + L"\\syswow64\\msiexec.exe" || path == base + L"\\system32\\msiexec.exe";
}

void RestoreStandIn() {
    ASSERT_TRUE(CopyFileW(TestPath(L"stand-in").c_str(), SystemMsiexec().c_str(), FALSE));
}

bool ReadRecord(const std::wstring& path, InstallerRecord& record) {
    // The stand-in writes the record in one go, sharing nothing: a record
    // that is there but cannot be read, or lacks its last line, is still
    // being written.
    if (!testfs::Exists(path)) {
        return false;
    }
    std::wstring text;
    bool gone = false;
    PollUntil("record complete", kRecordMs, [&] {
        const std::string bytes = testfs::ReadBytes(path);
        gone = bytes == "<missing>" && !testfs::Exists(path);
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        return gone || text.find(L"\ninherited ") != std::wstring::npos;
    });
    if (gone) {
        return false;
    }
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find(L'\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::wstring::npos ? text.size() : end + 1;
    }
    if (lines.size() < 3 || text.find(L"\ninherited ") == std::wstring::npos) {
        ADD_FAILURE() << "the record " << testfs::Narrow(path) << " stayed incomplete";
        return false;
    }
    record = InstallerRecord();
    record.module = lines[0];
    record.commandLine = lines[1];
    record.folder = lines[2];
    for (auto line = lines.begin() + 3; line != lines.end(); ++line) {
        if (line->compare(0, 7, L"access ") == 0) {
            record.access.push_back(line->substr(7));
        } else if (line->compare(0, 10, L"inherited ") == 0) {
            record.inheritedHandles = _wtoi(line->c_str() + 10);
        } else {
            record.listing.push_back(*line);
        }
    }
    std::sort(record.listing.begin(), record.listing.end());
    std::sort(record.access.begin(), record.access.end());
    return true;
}

std::wstring TakeInstallerLog(std::wstring& commandLine) {
    const std::wstring head = L" /l*v \"" + testfs::WindowsTemp();
    const std::wstring tail = L"_msi.log\"";
    const size_t start = commandLine.rfind(head);
    if (start == std::wstring::npos || commandLine.size() < tail.size() ||
        commandLine.compare(commandLine.size() - tail.size(), tail.size(), tail) != 0 ||
        commandLine.find(L'"', start + head.size()) != commandLine.size() - 1) {
        return std::wstring();
    }
    const std::wstring log = commandLine.substr(start + 7, commandLine.size() - start - 8);
    commandLine.erase(start);
    return log;
}

std::vector<std::wstring> LockedAccess(const std::vector<std::wstring>& listing) {
    std::vector<std::wstring> access;
    for (const std::wstring& line : listing) {
        access.push_back(line.substr(0, line.rfind(L' ')) + L" write 32 delete 32 read 0");
    }
    return access;
}
