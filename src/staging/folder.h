// The staging folder: its name, its security, its creation and its hold.
#pragma once

#include "base/unique_handle.h"
#include "staging/tree_removal.h"

#include <windows.h>

#include <string>

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

// Whether name is a staging folder's, in any case: "QLN" and four
// hexadecimal digits, with or without a trailing backslash, and nothing more.
bool IsStagingFolderName(const wchar_t* name);

// Draws a value for a staging folder's name, 0 to 0x7FFF, from the system's
// cryptographic random generator; false when the generator fails.
bool DrawStagingValue(unsigned& value);

// Draws 64 bits from the same generator, for names that nobody may find in
// advance by trying them: false when the generator fails.
bool DrawRandomValue(unsigned long long& value);

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
    bool DeleteTree(RemovalPause pause = Sleep);
    // Deletes what the folder holds, as DeleteTree does, but keeps the
    // folder itself, empty and administrators' alone, so that nobody else
    // can take its name while a product's source list may still name it;
    // true when every entry went now.
    bool EmptyTree(RemovalPause pause = Sleep);
    // For files that may still be in use: schedules everything in the folder
    // for removal at the next restart, deletes nothing now, and keeps the
    // folder itself, as EmptyTree does.
    void ScheduleEntries();

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
