// How a run's staging folder ends, and what Windows Installer keeps of it: one policy for the
// run's end and the session's.
#pragma once

#include "app/msiexec_command.h"
#include "app/run_request.h"
#include "staging/copy.h"
#include "staging/folder.h"

#include <string>

// What becomes of a run's staging folder once nothing of the run reads it.
enum class FolderEnd {
    Removed,   // all of it goes now
    Emptied,   // its files go now; the folder stays, empty, its name taken
    Scheduled, // its files go at the restart; the folder stays, its name taken
};

// By how this run's installer ran, and whether the products' source lists
// were mended without a failure since: a folder that a product's list may
// still name keeps its name, administrators' alone, so that nobody can
// make it again for a repair to read; one the installer may still read
// keeps its files too, until the restart.
FolderEnd ChooseFolderEnd(InstallerRun installer, bool mended);

// Whether the products' source lists are walked: after this run's installer
// ran, which may have named its staging folder, or where a run that never
// came back left a folder; otherwise msi.dll is not even loaded for it.
bool MendsSources(InstallerRun installer, bool leftoversFound);

// What a run holds of its staging; the folder empty where none was made.
struct RunStagingFolder {
    std::wstring folder;
    std::wstring launcherFolder;
    StagingFolderHold* hold = nullptr;
    StagedFilesLock* lock = nullptr;
};

// Ends a run's staging as ChooseFolderEnd says, after the lists were mended
// where MendsSources says, and removes the leftover folders of earlier runs
// once no list names them; every step logged. For the session's end too,
// before it is answered, and for a run that made no folder.
void EndStaging(const RunRequest& request, const RunStagingFolder& staging, InstallerRun installer);
