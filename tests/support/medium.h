// A medium as a user has it, for the tests that run Setup.exe.
#pragma once

// Setup.exe beside Package\, in a test's scratch folder, with a temporary
// folder of its own that the launcher and its installer inherit as TMP and
// TEMP.
#include "launcher_places.h"
#include "processes.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class Medium {
  public:
    // Lays out the empty scratch folder (with trailing backslash), which its
    // owner makes and removes: medium\ with a copy of setupExe and an empty
    // Package\, and tmp\.
    void Create(const std::wstring& scratch, const std::wstring& setupExe);
    // The same with a medium that exists already (with trailing backslash),
    // such as an unpacked archive, which is used as it is and never removed.
    void CreateFor(const std::wstring& scratch, const std::wstring& existingMedium);
    // Points TMP and TEMP back, and the stand-in's record nowhere.
    void Leave();

    // Copies every file of folder (with trailing backslash) into Package\;
    // names that begin with from begin with to instead.
    void CopyPackage(const std::wstring& folder, const std::wstring& from = std::wstring(),
                     const std::wstring& to = std::wstring());
    // Runs Setup.exe with the arguments, from the scratch folder unless the
    // options name another current directory.
    RunResult Run(const std::wstring& arguments, RunOptions options = RunOptions()) const;
    // The same, with the language dialog answered by onDialog.
    RunResult Run(const std::wstring& arguments, const DialogHandler& onDialog) const;

    // Names and bytes of the files in Package\, by name.
    std::vector<std::pair<std::wstring, std::string>> PackageSnapshot() const;
    // The staging folders ("QLNxxxx") that appeared in the Windows folder's
    // Temp since Create and are still there.
    std::vector<std::wstring> Leftovers() const;
    // The launcher's logs that appeared there since Create, sorted, and not
    // in since (an earlier answer: names sort by the second of a run's start,
    // then by a drawn part, so a later run's log need not sort last); with
    // installer false, the launcher's own alone, without the installer's.
    std::vector<std::wstring> NewLogs(bool installer = true,
                                      const std::vector<std::wstring>& since = {}) const;
    // The text of the one launcher's log that a run made since Create, or
    // "<no single log>" (and a failure) when there is none or more than one.
    std::string NewLauncherLog() const;

    std::wstring root;    // the scratch folder
    std::wstring medium;  // Setup.exe's folder
    std::wstring package; // the Package folder in medium
    std::wstring temp;    // TMP and TEMP of the launcher
    std::wstring record;  // where the stand-in installer records its start
    // Where the launcher stages, elevated as every process is under Wine.
    std::wstring staging = testfs::WindowsTemp();

  private:
    void LayOut(const std::wstring& scratch);

    std::vector<std::wstring> stagingBefore_;
    std::vector<std::wstring> logsBefore_;
};
