#pragma once

#include <windows.h>

#include <string>

// The Windows error code of the staging operation that failed last, or 0.
extern DWORD g_lastError;

// The running executable's folder with a trailing backslash, or "." when its
// path cannot be obtained.
std::wstring GetModuleDirectory();

// The staging folder's name for a drawn value: "QLN", four uppercase
// hexadecimal digits and a backslash.
std::wstring StagingDirectoryName(int drawnValue);

// Creates a fresh "QLNxxxx\" folder in the temporary directory and returns
// its path with a trailing backslash, or empty when none was created.
std::wstring CreateStagingDirectory();

// Copies sourceFolder + fileName to destinationFolder + fileName, replacing a
// file already there.
bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName);

// Copies every file of sourceFolder that matches the wildcard pattern. Fails
// when nothing matches or a copy fails; sub-folders are not copied.
bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern);

// Deletes the folder (given with a trailing backslash) and everything in it.
bool DeleteDirectoryTree(const std::wstring& folder);
