#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// File-system helpers for tests that work on the real file system of the
// Wine prefix.
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
// files included; a link in it is removed as such, never followed.
void RemoveTree(const std::wstring& folder);
// The temporary directory with a trailing backslash.
std::wstring TempDirectory();
// A Unix path handed over by CMake, as a Windows path on Wine's Z: drive.
std::wstring FromHostPath(const std::string& path);
std::string Narrow(const std::wstring& text);

} // namespace testfs
