// Staging a package: where, the folder, the copies and their removal.
#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// The Windows error code of the staging operation that failed last, or 0.
extern DWORD g_lastError;

// The running executable's folder: its path up to and with the last
// backslash (the whole path when it has none, which a full path always
// has), or "." (with the code in g_lastError) when its path cannot be
// obtained; a run then stages nothing, rather than look for a package
// relative to the current folder.
std::wstring GetModuleDirectory();

// Where a run stages its package.
enum class StagingRoot {
    // The temporary folder as GetTempPath2W gives it: for SYSTEM, the Windows
    // folder's "SystemTemp\", which only SYSTEM may open.
    SystemTemporary,
    // The Windows folder's "Temp\", which only administrators control.
    WindowsTemp,
    // The user's own temporary folder (TMP).
    UserTemporary,
};

// The one an elevated launcher can trust: a path that starts at the user's
// TMP could be redirected by that user while the launcher works in it.
StagingRoot ChooseStagingRoot(bool systemAccount, bool elevated);

// The folder that root names, with a trailing backslash; false when it
// cannot be read.
bool RootFolder(StagingRoot root, std::wstring& folder);

// What the process's token says: whether it is SYSTEM's, whether it is
// elevated (a token that cannot be read counts as elevated, so that the
// launcher stays where only administrators can reach), and its user as a
// SID string (empty when it cannot be read).
struct TokenFacts {
    bool systemAccount = false;
    bool elevated = true;
    std::wstring userSid;
};
TokenFacts ReadToken();

// The security of what the launcher makes (the staging folder, the copies,
// the logs), as a security descriptor string: owned by Administrators, full
// control for Administrators and SYSTEM, protected from the parent's
// entries, and an OWNER RIGHTS entry that leaves an owner no implicit right
// to change the access list. A token that is not elevated (userSid: its
// user) works in its own TMP and could not own anything as Administrators:
// there the user is admitted too.
std::wstring StagingSecurity(const std::wstring& userSid);

// The staging folder's name for a drawn value: "QLN", four uppercase
// hexadecimal digits and a backslash.
std::wstring StagingDirectoryName(unsigned drawnValue);

// Draws a value for a staging folder's name, 0 to 0x7FFF, from the system's
// cryptographic random generator; false when the generator fails.
bool DrawStagingValue(unsigned& value);

// Told how many more bytes the staging has copied or read, as it goes;
// answers false to stop it.
class StagingProgress {
  public:
    virtual bool Advance(unsigned long long bytes) = 0;

  protected:
    ~StagingProgress() = default;
};

// How many names CreateStagingDirectoryIn tries before it gives up.
constexpr int kStagingAttempts = 16;

// Holds a staging folder from its creation until it is removed: no handle
// of it shares deletion, so that nobody can rename or replace the folder
// while the launcher works in it, whatever the parent folder allows.
class StagingFolderHold {
  public:
    // Takes the folder (with a trailing backslash), the handle that created
    // it and the security it was created with.
    void Take(const std::wstring& folder, FileHandle handle, LocalMemory security);
    bool IsHeld() const {
        return handle_.IsValid();
    }
    // The folder's security descriptor, for the copies made in it.
    PSECURITY_DESCRIPTOR Security() const {
        return security_.Get();
    }
    // Deletes what the folder holds as DeleteDirectoryTree does, lets the
    // folder go and removes it, or schedules it for removal at the next
    // restart; true when all of it went now.
    bool DeleteTree();
    // For a folder that may still be in use: schedules it and everything in
    // it for removal at the next restart, and deletes nothing now.
    void ScheduleTree();

  private:
    std::wstring folder_;
    FileHandle handle_;
    LocalMemory security_;
};

// Creates a fresh "QLNxxxx\" folder in parent (given with a trailing
// backslash) with the security descriptor string security, named by draw,
// and holds it from the same call on, so that nothing can take its place in
// between; a name that exists already (a folder, a file or a link) is never
// used, a fresh value is drawn instead. Returns the folder with a trailing
// backslash, or empty when none was made.
std::wstring CreateStagingDirectoryIn(const std::wstring& parent, bool (*draw)(unsigned& value),
                                      StagingFolderHold& hold,
                                      const std::wstring& security = StagingSecurity(L""));

// CreateStagingDirectoryIn the folder that ChooseStagingRoot picks for this
// process's token, with DrawStagingValue and the token's StagingSecurity.
std::wstring CreateStagingDirectory(StagingFolderHold& hold);

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

// Deletes the folder (given with a trailing backslash) and everything in it.
// A link (any reparse point) is removed as the entry itself and never
// followed, so that nothing outside the folder is touched. An entry that
// cannot be deleted does not stop the rest; it and the folders above it
// are scheduled for removal at the next restart (links excepted: what a
// later removal of a link would do is not the launcher's to decide). True
// when all of it went now.
bool DeleteDirectoryTree(const std::wstring& folder);
