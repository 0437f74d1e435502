// The copies of a package, locked as soon as they are made.
#pragma once

#include "base/unique_handle.h"
#include "staging/progress.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

struct StagedFile {
    std::wstring name;
    FileHandle handle;
};

// Holds staged files open for reading, sharing reading only, so that no
// other process can change, replace or delete them while it lasts. The
// handles are not inheritable.
class StagedFilesLock {
  public:
    // copies: the security descriptor that the copies are made with (null:
    // what the folder's entries give them).
    explicit StagedFilesLock(PSECURITY_DESCRIPTOR copies = nullptr) : copies_(copies) {}
    // Locks folder + name; false, with the code in g_lastError, when the
    // file cannot be opened.
    bool Add(const std::wstring& folder, const std::wstring& name);
    // Lets go of every staged file, and of the copy being written, so that
    // all of them can be deleted; nothing staged may be read afterwards.
    void Release();
    const std::vector<StagedFile>& Files() const {
        return files_;
    }
    PSECURITY_DESCRIPTOR CopySecurity() const {
        return copies_;
    }
    // The write handle of the copy being made, held here so that Release
    // lets go of it too.
    FileHandle& Writing() {
        return writing_;
    }

  private:
    PSECURITY_DESCRIPTOR copies_;
    std::vector<StagedFile> files_;
    FileHandle writing_;
};

// Large enough that a gigabyte takes few reads, small enough for any machine.
constexpr DWORD kCopyBufferBytes = 1 << 20;

// A buffer of kCopyBufferBytes for reading what a run stages, left
// uninitialised: one made and cleared for each of a thousand small cabinets
// costs more than their copies.
std::unique_ptr<char[]> CopyBuffer();

// Copies sourceFolder + fileName to destinationFolder + fileName, which must
// not exist yet, and locks the copy in lock as soon as it is written: the
// write handle is closed and the copy opened again by name, and only the
// staging folder's access list (administrators alone may open anything in
// it) keeps anyone else from the copy in between. The copy is left
// writable, so that it can be deleted even when it came from read-only media.
// A progress that answers false stops the copy (ERROR_CANCELLED).
bool CopyPackageFile(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                     const std::wstring& fileName, StagedFilesLock& lock,
                     StagingProgress* progress = nullptr);

// CopyPackageFile for each of names, in turn, with one buffer; stops at the
// first copy that fails.
bool CopyPackageFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                      const std::vector<std::wstring>& names, StagedFilesLock& lock,
                      StagingProgress* progress = nullptr);

// Adds the names of the files of folder that match the wildcard pattern to
// names, in the order the folder lists them; false, with g_lastError, when
// the pattern matches no entry at all or the listing fails.
bool ListMatchingFiles(const std::wstring& folder, const std::wstring& pattern,
                       std::vector<std::wstring>& names);

// CopyPackageFile for every file of sourceFolder that matches the wildcard
// pattern; sub-folders are not copied. Fails when a copy fails or the
// pattern matches no entry at all (a match of folders alone succeeds).
bool CopyMatchingFiles(const std::wstring& sourceFolder, const std::wstring& destinationFolder,
                       const std::wstring& pattern, StagedFilesLock& lock,
                       StagingProgress* progress = nullptr);

// The bytes that staging fileName and the files that match pattern copies;
// what cannot be read counts nothing.
unsigned long long PackageBytes(const std::wstring& sourceFolder, const std::wstring& fileName,
                                const std::wstring& pattern);
