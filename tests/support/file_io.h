// Files and folders of the Wine prefix as the tests read, write and remove them.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testfs {

bool Exists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The file's bytes, or "<missing>".
std::string ReadBytes(const std::wstring& path);
// The names in the order the platform enumerates them, without "." and "..".
std::vector<std::wstring> EnumerationOrder(const std::wstring& folder, const wchar_t* pattern);
std::vector<std::wstring> SortedNames(const std::wstring& folder);
// Names and bytes of the files in folder (with trailing backslash), by name.
std::vector<std::pair<std::wstring, std::string>> Snapshot(const std::wstring& folder);
// Removes folder (with trailing backslash) and everything in it, read-only
// files included; a link in it, or in its place, is removed as such, never
// followed.
void RemoveTree(const std::wstring& folder);
// Waits until the file exists (or, with present false, until it is gone);
// false when that did not happen within limitMs. what names the step in the
// waits file (poll.h).
bool WaitForFile(const std::string& what, const std::wstring& path, DWORD limitMs,
                 bool present = true);
std::string Narrow(const std::wstring& text);

} // namespace testfs
