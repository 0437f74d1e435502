// How a run's staging folder ends, and what Windows Installer keeps of it.
#include "app/cleanup.h"
#include "base/run_log.h"
#include "msi/source_list.h"
#include "staging/last_error.h"
#include "staging/leftover.h"
#include "staging/tree_removal.h"

FolderEnd ChooseFolderEnd(InstallerRun installer, bool mended) {
    switch (installer) {
    case InstallerRun::EndUnknown:
        return FolderEnd::Scheduled;
    case InstallerRun::Ended:
        return mended ? FolderEnd::Removed : FolderEnd::Emptied;
    default:
        return FolderEnd::Removed;
    }
}

bool MendsSources(InstallerRun installer, bool leftoversFound) {
    return installer != InstallerRun::NotStarted || leftoversFound;
}

void EndStaging(const RunRequest& request, const RunStagingFolder& staging,
                InstallerRun installer) {
    const std::vector<std::wstring> leftovers =
        FindLeftoverFolders(AdministratorsRoots(request.token), staging.folder, request.token);
    bool mended = true;
    if (MendsSources(installer, !leftovers.empty())) {
        if (!request.token.elevated && !request.token.systemAccount) {
            LogLine("source lists: not mended, the launcher is not elevated");
            mended = false;
        } else {
            mended = KeepMediumAsSource(*request.msi,
                                        installer != InstallerRun::NotStarted ? staging.folder
                                                                              : std::wstring(),
                                        staging.launcherFolder, request.token.userSid);
        }
    }
    for (const std::wstring& leftover : leftovers) {
        if (!mended) {
            LogLine("left by an earlier run, kept: ", leftover.c_str());
        } else if (DeleteDirectoryTree(leftover)) {
            LogLine("left by an earlier run, removed: ", leftover.c_str());
        } else {
            LogError("left by an earlier run, not removed: ", g_lastError);
        }
    }
    if (staging.hold == nullptr || !staging.hold->IsHeld()) {
        return;
    }
    switch (ChooseFolderEnd(installer, mended)) {
    case FolderEnd::Scheduled:
        // The installer may still read the copies.
        staging.hold->ScheduleEntries();
        LogLine("staging folder kept, its files go at the restart");
        break;
    case FolderEnd::Emptied:
        staging.lock->Release();
        staging.hold->EmptyTree();
        LogLine("staging folder emptied and kept: a source list may name it");
        break;
    default:
        staging.lock->Release();
        // What stays of it the removal logs itself.
        if (staging.hold->DeleteTree()) {
            LogLine("staging folder removed");
        }
        break;
    }
}
