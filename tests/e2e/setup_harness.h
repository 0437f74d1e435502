#pragma once

// Runs the built Setup.exe in the Wine prefix and observes it as a user
// would: its windows, the installer it starts, the folders it leaves.
#include <windows.h>

#include "default_names.h"
#include "process_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

extern std::wstring g_baseTemp;     // the prefix's temporary folder, before any test changes TMP
extern std::wstring g_setupBuilt;   // the Setup.exe of the build
extern std::wstring g_standInBuilt; // the stand-in msiexec.exe of the build

extern const wchar_t kInitialisationMessage[];
extern const wchar_t kStartMessage[];

// The package this Windows needs, with the size of its fixture file.
std::wstring OwnPackageListing();

std::wstring SystemMsiexec();
bool IsSystemMsiexec(const std::wstring& module);

// Puts the stand-in where the launcher looks for msiexec.exe (a 32-bit
// process sees syswow64 there) and brings the original back afterwards.
class StandInInstaller : public testing::Environment {
  public:
    void SetUp() override;
    void TearDown() override;
    static void Install();

  private:
    std::wstring backup_;
};

// Starts Setup.exe and answers its windows until it ends (timeoutMs at most):
// error boxes are read and confirmed, the language dialog goes to onDialog.
// In a desktop that nobody sees (UnseenDesktop), nothing is answered.
RunResult RunSetup(const std::wstring& setupPath, const std::wstring& arguments,
                   const std::wstring& currentDirectory,
                   const DialogHandler& onDialog = CancelDialog,
                   const std::wstring& desktop = std::wstring(), DWORD timeoutMs = 60000);

struct InstallerRecord {
    std::wstring module;
    std::wstring commandLine;
    std::wstring folder;
    std::vector<std::wstring> listing; // "name size", sorted
    // "name write <e> delete <e> read <e>": the errors of opening each staged
    // file for writing, deleting and reading while the installer ran, sorted.
    std::vector<std::wstring> access;
    int inheritedHandles = -1; // handles to staged files that the installer inherited
};

// The access that a locked staged file allows the installer: reading alone.
std::vector<std::wstring> LockedAccess(const std::vector<std::wstring>& listing);

bool ReadRecord(const std::wstring& path, InstallerRecord& record);

// What a scenario changes before the launcher starts.
enum class Setting {
    None,
    NoCabinets,
    NoOwnPackage,
    NoOtherPackage,
    TemporaryFolderMissing,
    InstallerNotStartable,
    InstalledFlag,
    InstalledFlagZero,
    PlantedMsiexec,
    ReadOnlyMedium,
};

// A medium (Setup.exe beside Package\ with both MSIs and two cabinets) and a
// temporary folder of its own, which the launcher's children inherit as TMP.
class Medium {
  public:
    void Create();
    void Destroy();
    void Apply(Setting setting);
    std::vector<std::pair<std::wstring, std::string>> PackageSnapshot() const;
    std::wstring root, medium, package, temp, record;
};
