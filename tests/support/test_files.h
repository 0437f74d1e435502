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
// files included; a link in it, or in its place, is removed as such, never
// followed.
void RemoveTree(const std::wstring& folder);
// The prefix's temporary directory with a trailing backslash, as it was when
// the program started, before any test pointed TMP elsewhere.
std::wstring TempDirectory();
// Where an elevated launcher that is not SYSTEM stages: the Windows folder's
// Temp, with a trailing backslash.
std::wstring WindowsTemp();
// The names of the staging folders ("QLNxxxx") in folder, sorted.
std::vector<std::wstring> StagingFolders(const std::wstring& folder);
// The paths under folder (with trailing backslash) that are scheduled for
// deletion at the next restart, in the order Windows would take them; they
// are taken off the schedule, entries for other paths stay.
std::vector<std::wstring> TakeRemovalsAtRestart(const std::wstring& folder);
// A host path (as CMake names files) as Wine shows it: on drive Z:.
std::wstring FromHostPath(const std::wstring& path);
// Waits until the file exists (or, with present false, until it is gone);
// false when that did not happen within the time.
bool WaitForFile(const std::wstring& path, DWORD timeoutMs = 30000, bool present = true);
std::string Narrow(const std::wstring& text);

} // namespace testfs
