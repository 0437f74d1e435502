// The removal of a staging folder and everything in it, now or at the restart.
#include "base/file_attributes.h"
#include "base/run_log.h"
#include "staging/folder.h"
#include "staging/last_error.h"
#include "staging/tree_removal.h"

namespace {

// A scanner or an indexer may hold a file for a moment: its deletion is
// tried again for about two seconds before it is left for the restart.
const int kRemovalAttempts = 8;
const DWORD kRemovalPauseMs = 250;

// Removes a junction, symbolic link or mount point itself; its target stays.
bool RemoveLink(const std::wstring& path, DWORD attributes) {
    return (IsDirectory(attributes) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) !=
           FALSE;
}

enum class Removal {
    Now,            // what stays is left as it is
    NowOrAtRestart, // what stays goes at the next restart
    AtRestart,      // nothing goes now, everything at the next restart
};

// One walk through a folder tree, which goes on past any entry that stays.
struct TreeRemoval {
    explicit TreeRemoval(Removal mode) : removal(mode) {}

    Removal removal;
    DWORD firstError = 0;

    void Note(DWORD error) {
        if (firstError == 0) {
            firstError = error != 0 ? error : ERROR_GEN_FAILURE;
        }
    }

    // An entry that is still in use goes when Windows restarts. Only an
    // administrator may ask for that; for anyone else this does nothing.
    void Stays(const std::wstring& path, bool schedule) {
        Note(removal == Removal::AtRestart ? ERROR_BUSY : GetLastError());
        if (removal == Removal::Now) {
            return;
        }
        if (schedule && MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            LogLine("goes at the restart: ", path.c_str());
        } else {
            LogLine("left: ", path.c_str());
        }
    }

    // Every entry of folder (given with a trailing backslash); true when all
    // of them went.
    bool Entries(const std::wstring& folder) {
        WIN32_FIND_DATAW entry = {};
        FindHandle search(FindFirstFileW((folder + L"*").c_str(), &entry));
        if (!search.IsValid()) {
            Note(GetLastError());
            return false;
        }
        bool all = true;
        do {
            if (IsDotEntry(entry)) {
                continue;
            }
            const std::wstring path = folder + entry.cFileName;
            const DWORD attributes = entry.dwFileAttributes;
            if (IsDirectory(attributes) && !IsLink(attributes)) {
                all = Folder(path + L"\\") && all;
                continue;
            }
            // A link's target lies outside the folder: it is never walked
            // into, and a link that stays is not scheduled either (what a
            // later removal of it would do is not the launcher's to decide).
            const bool deleted =
                removal != Removal::AtRestart &&
                (IsLink(attributes) ? RemoveLink(path, attributes) : DeleteFileW(path.c_str()));
            if (!deleted) {
                Stays(path, !IsLink(attributes));
                all = false;
            }
        } while (FindNextFileW(search.Get(), &entry));
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) {
            Note(error);
            return false;
        }
        return all;
    }

    // The folder itself after its entries.
    bool EmptiedFolder(const std::wstring& folder) {
        const std::wstring path = WithoutSeparator(folder);
        if (removal != Removal::AtRestart && RemoveDirectoryW(path.c_str())) {
            return true;
        }
        Stays(path, true);
        return false;
    }

    bool Folder(const std::wstring& folder) {
        const bool emptied = Entries(folder);
        return EmptiedFolder(folder) && emptied;
    }
};

// Deletes folder and everything in it now, trying again for a while when
// something stays, and schedules what still stays; hold, on the folder,
// is let go of once its entries are gone (or as far gone as they get). With
// keepFolder, the folder itself stays, held, and only its entries go.
bool RemoveTreePatiently(const std::wstring& folder, FileHandle& hold, RemovalPause pause,
                         bool keepFolder = false) {
    TreeRemoval walk{Removal::NowOrAtRestart};
    bool emptied = false;
    for (int attempt = 1; attempt < kRemovalAttempts && !emptied; ++attempt) {
        emptied = TreeRemoval{Removal::Now}.Entries(folder);
        if (!emptied) {
            pause(kRemovalPauseMs);
        }
    }
    emptied = emptied || walk.Entries(folder);
    if (keepFolder) {
        g_lastError = walk.firstError;
        return emptied;
    }
    hold.Reset();
    const bool removed = walk.EmptiedFolder(folder) && emptied;
    g_lastError = walk.firstError;
    return removed;
}

} // namespace

bool StagingFolderHold::DeleteTree(RemovalPause pause) {
    if (!handle_.IsValid()) {
        g_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    // Emptied while nobody can swap the folder or anything in it; once it is
    // empty, whatever might take its name at the last moment has nothing to
    // lose.
    return RemoveTreePatiently(folder_, handle_, pause);
}

bool StagingFolderHold::EmptyTree(RemovalPause pause) {
    if (!handle_.IsValid()) {
        g_lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    return RemoveTreePatiently(folder_, handle_, pause, true);
}

void StagingFolderHold::ScheduleEntries() {
    if (handle_.IsValid()) {
        TreeRemoval walk{Removal::AtRestart};
        walk.Entries(folder_);
    }
}

bool DeleteDirectoryTree(const std::wstring& folder, RemovalPause pause) {
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
    FileHandle noHold;
    return RemoveTreePatiently(folder, noHold, pause);
}
