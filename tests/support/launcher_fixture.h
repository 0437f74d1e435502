// The fixture of the tests that run Setup.exe on a medium with the stand-in installer.
#pragma once

// Setup.exe (the program's argument setup=) run on a medium with a package
// of its own, the stand-in (stand-in=) in place of the system's msiexec.exe,
// observed as a user would: its windows, the installer it starts, the
// folders it leaves.
#include "default_names.h"
#include "medium.h"
#include "scratch_folder.h"
#include "stand_in.h"

#include "base/unique_handle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What a scenario changes before the launcher starts.
enum class Setting {
    None,
    NoCabinets,
    NoOwnPackage,
    NoOtherPackage,
    TemporaryFolderMissing,
    WindowsTempUnusable,
    WindowsTempFull,
    CabinetInUse,
    InstallerNotStartable,
    InstalledFlag,
    InstalledFlagZero,
    PlantedMsiexec,
    ReadOnlyMedium,
};

// The medium holds both MSIs, two cabinets (8 and 70,000 bytes) and a file
// that is not staged.
class SetupTest : public ScratchFolderTest {
  protected:
    SetupTest() : ScratchFolderTest(L"setup-e2e") {}
    void SetUp() override;
    void TearDown() override;
    void Apply(Setting setting);
    // Runs Setup.exe in a window station and desktop of their own, which
    // nobody sees, for at most kUnansweredRunMs.
    RunResult RunUnseen(const std::wstring& arguments);

    Medium files_;
    // A cabinet of the medium that another process holds open, sharing nothing.
    FileHandle heldCabinet_;
};

// Sends the session's end, as Windows does at a logoff, to window: true when
// it was answered, and the session allowed to end.
bool EndTheSession(HWND window);

// The hidden window that answers the session's messages for a run, or null.
HWND SessionWatchWindow();

// The package this Windows needs, with the size of its file on the medium.
std::wstring OwnPackageListing();
// What the staging folder holds while the installer runs: that package and
// both cabinets.
std::vector<std::wstring> CompleteListing();
