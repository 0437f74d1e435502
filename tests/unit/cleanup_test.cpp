// How a run's staging folder ends, and when the products' source lists are walked.
#include "app/cleanup.h"

#include <gtest/gtest.h>

namespace {

// A folder that a list may still name keeps its name; one the installer may
// still read keeps its files until the restart.
TEST(ChooseFolderEndTest, Table) {
    const struct {
        const char* name;
        InstallerRun installer;
        bool mended;
        FolderEnd end;
    } cases[] = {
        {"no installer", InstallerRun::NotStarted, true, FolderEnd::Removed},
        {"no installer, an earlier run's mend failed", InstallerRun::NotStarted, false,
         FolderEnd::Removed},
        {"installer ended, lists mended", InstallerRun::Ended, true, FolderEnd::Removed},
        {"installer ended, a mend failed", InstallerRun::Ended, false, FolderEnd::Emptied},
        {"installer may still run", InstallerRun::EndUnknown, true, FolderEnd::Scheduled},
        {"installer may still run, a mend failed", InstallerRun::EndUnknown, false,
         FolderEnd::Scheduled},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseFolderEnd(c.installer, c.mended), c.end) << c.name;
    }
}

// Otherwise msi.dll is not even loaded for it.
TEST(MendsSourcesTest, Table) {
    const struct {
        const char* name;
        InstallerRun installer;
        bool leftovers;
        bool mends;
    } cases[] = {
        {"no installer, nothing left", InstallerRun::NotStarted, false, false},
        {"no installer, an earlier run's folder left", InstallerRun::NotStarted, true, true},
        {"installer ended", InstallerRun::Ended, false, true},
        {"installer may still run", InstallerRun::EndUnknown, false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MendsSources(c.installer, c.leftovers), c.mends) << c.name;
    }
}

} // namespace
