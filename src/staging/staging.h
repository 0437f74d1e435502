#pragma once

#include "app/unique_handle.h"

#include <windows.h>

#include <string>
#include <vector>

// The Windows error code of the staging operation that failed last, or 0.
extern DWORD g_lastError;

// The running executable's folder with a trailing backslash, or "." when its
// path cannot be obtained.
std::wstring GetModuleDirectory();

// The staging folder's name for a drawn value: "QLN", four uppercase
// hexadecimal digits and a backslash.
std::wstring StagingDirectoryName(unsigned drawnValue);

// Draws a value for a staging folder's name, 0 to 0x7FFF, from the system's
// cryptographic random generator; false when the generator fails.
bool DrawStagingValue(unsigned& value);

// How many names CreateStagingDirectoryIn tries before it gives up.
constexpr int kStagingAttempts = 16;

// Creates a fresh "QLNxxxx\" folder in parent (given with a trailing
// backslash) that only Administrators and SYSTEM may change, named by draw;
// a name that exists already is never used, a fresh value is drawn instead.
// Returns the folder with a trailing backslash, or empty when none was made.
std::wstring CreateStagingDirectoryIn(const std::wstring& parent, bool (*draw)(unsigned& value));

// CreateStagingDirectoryIn the temporary folder (the system's protected one
// for SYSTEM, where Windows has it), with DrawStagingValue.
std::wstring CreateStagingDirectory();

// Copies sourceFolder + fileName to destinationFolder + fileName, replacing a
// file already there. The copy is left writable, so that it can be deleted
// even when it came from read-only media.
bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName);

// Copies every file of sourceFolder that matches the wildcard pattern. Fails
// when nothing matches or a copy fails; sub-folders are not copied.
bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern);

// Holds every file of a folder open for reading, sharing reading only, so
// that no other process can change, replace or delete them while it lasts.
// The handles are not inheritable.
class StagedFilesLock {
  public:
    // False, with the code in g_lastError, when a file cannot be opened.
    bool Acquire(const std::wstring& folder);
    void Release();

  private:
    std::vector<FileHandle> files_;
};

// Holds the staging folder open from right after its creation until it is
// deleted, sharing no deletion: in a temporary folder of the user's own, the
// user could otherwise rename or replace it, whatever its own security says.
class StagingFolderHold {
  public:
    // False, with the code in g_lastError, unless folder (with a trailing
    // backslash) is a folder and no link.
    bool Acquire(const std::wstring& folder);
    // Deletes what the folder holds as DeleteDirectoryTree does, lets the
    // folder go and removes it; true when all of it went.
    bool DeleteTree();

  private:
    std::wstring folder_;
    FileHandle handle_;
};

// Deletes the folder (given with a trailing backslash) and everything in it.
// A link (any reparse point) is removed as the entry itself and never
// followed, so that nothing outside the folder is touched.
bool DeleteDirectoryTree(const std::wstring& folder);
