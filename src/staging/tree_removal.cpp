// The removal of a staging folder and everything in it, now or at the restart.
#include "base/file_attributes.h"
#include "staging/staging.h"

namespace {

// Removes a junction, symbolic link or mount point itself; its target stays.
bool RemoveLink(const std::wstring& path, DWORD attributes) {
    return (IsDirectory(attributes) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) !=
           FALSE;
}

// Keeps the first error of a walk that goes on past it.
void NoteError(DWORD error, DWORD& first) {
    if (first == 0) {
        first = error != 0 ? error : ERROR_GEN_FAILURE;
    }
}

// An entry that is still in use goes when Windows restarts. Only an
// administrator may ask for that; for anyone else this does nothing.
void RemoveAtRestart(const std::wstring& path) {
    MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool RemoveFolder(const std::wstring& folder, bool now, DWORD& firstError);

// Deletes (now) or schedules every entry of folder (given with a trailing
// backslash), going on past any that stays; true when all of them went.
bool RemoveEntries(const std::wstring& folder, bool now, DWORD& firstError) {
    WIN32_FIND_DATAW entry = {};
    FindHandle search(FindFirstFileW((folder + L"*").c_str(), &entry));
    if (!search.IsValid()) {
        NoteError(GetLastError(), firstError);
        return false;
    }
    bool all = true;
    do {
        if (IsDotEntry(entry)) {
            continue;
        }
        const std::wstring path = folder + entry.cFileName;
        if (IsDirectory(entry.dwFileAttributes) && !IsLink(entry.dwFileAttributes)) {
            all = RemoveFolder(path + L"\\", now, firstError) && all;
            continue;
        }
        // A link's target lies outside the folder: it is never walked into.
        const bool deleted =
            now && (IsLink(entry.dwFileAttributes) ? RemoveLink(path, entry.dwFileAttributes)
                                                   : DeleteFileW(path.c_str()) != FALSE);
        if (!deleted) {
            NoteError(now ? GetLastError() : ERROR_BUSY, firstError);
            if (!IsLink(entry.dwFileAttributes)) {
                RemoveAtRestart(path);
            }
            all = false;
        }
    } while (FindNextFileW(search.Get(), &entry));
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES) {
        NoteError(error, firstError);
        return false;
    }
    return all;
}

// The folder itself after its entries: removed now, or at the next restart.
bool RemoveEmptiedFolder(const std::wstring& folder, bool now, DWORD& firstError) {
    const std::wstring path = WithoutSeparator(folder);
    if (now && RemoveDirectoryW(path.c_str())) {
        return true;
    }
    NoteError(now ? GetLastError() : ERROR_BUSY, firstError);
    RemoveAtRestart(path);
    return false;
}

bool RemoveFolder(const std::wstring& folder, bool now, DWORD& firstError) {
    const bool emptied = RemoveEntries(folder, now, firstError);
    return RemoveEmptiedFolder(folder, now, firstError) && emptied;
}

} // namespace

bool StagingFolderHold::DeleteTree() {
    if (!handle_.IsValid()) {
        g_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    // Emptied while nobody can swap the folder or anything in it; once it is
    // empty, whatever might take its name at the last moment has nothing to
    // lose.
    DWORD firstError = 0;
    const bool emptied = RemoveEntries(folder_, true, firstError);
    handle_.Reset();
    const bool removed = RemoveEmptiedFolder(folder_, true, firstError) && emptied;
    g_lastError = firstError;
    return removed;
}

void StagingFolderHold::ScheduleTree() {
    if (handle_.IsValid()) {
        DWORD firstError = 0;
        RemoveFolder(folder_, false, firstError);
    }
}

bool DeleteDirectoryTree(const std::wstring& folder) {
    // Plain concatenation would make the pattern "\*", the root of the drive.
    if (folder.empty()) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return false;
    }
    // A folder swapped for a link goes as a link, with its target kept.
    const std::wstring path = WithoutSeparator(folder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes)) {
        if (!RemoveLink(path, attributes)) {
            g_lastError = GetLastError();
            return false;
        }
        g_lastError = 0;
        return true;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        g_lastError = GetLastError();
        return false;
    }
    DWORD firstError = 0;
    const bool removed = RemoveFolder(folder, true, firstError);
    g_lastError = firstError;
    return removed;
}
