// A medium as a user has it, for the tests that run Setup.exe.
#include "medium.h"
#include "file_io.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void PointTemp(const std::wstring& folder) {
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
}

} // namespace

void Medium::Create(const std::wstring& scratch, const std::wstring& setupExe) {
    LayOut(scratch);
    if (root.empty()) {
        return;
    }
    medium = root + L"medium\\";
    package = medium + L"Package\\";
    ASSERT_TRUE(CreateDirectoryW(medium.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(package.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(setupExe.c_str(), (medium + L"Setup.exe").c_str(), TRUE))
        << testfs::Narrow(setupExe);
}

void Medium::CreateFor(const std::wstring& scratch, const std::wstring& existingMedium) {
    LayOut(scratch);
    medium = existingMedium;
    package = medium + L"Package\\";
}

void Medium::LayOut(const std::wstring& scratch) {
    // Without a folder, the paths below would be relative to the current one.
    if (scratch.empty()) {
        ADD_FAILURE() << "no scratch folder for the medium";
        return;
    }
    root = scratch;
    temp = root + L"tmp\\";
    record = root + L"record.txt";
    stagingBefore_ = testfs::StagingFolders(staging);
    logsBefore_ = testfs::LauncherLogs(staging);
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    PointTemp(temp);
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", record.c_str());
}

void Medium::Leave() {
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", nullptr);
    PointTemp(testfs::TempDirectory());
}

void Medium::CopyPackage(const std::wstring& folder, const std::wstring& from,
                         const std::wstring& to) {
    for (const std::wstring& name : testfs::SortedNames(folder)) {
        const bool renamed = !from.empty() && name.compare(0, from.size(), from) == 0;
        const std::wstring target = renamed ? to + name.substr(from.size()) : name;
        ASSERT_TRUE(CopyFileW((folder + name).c_str(), (package + target).c_str(), TRUE))
            << testfs::Narrow(name);
    }
}

RunResult Medium::Run(const std::wstring& arguments, RunOptions options) const {
    const std::wstring setup = medium + L"Setup.exe";
    options.applicationName = setup;
    if (options.currentDirectory.empty()) {
        options.currentDirectory = root;
    }
    return RunAndAnswer(L"\"" + setup + L"\"" + (arguments.empty() ? L"" : L" " + arguments),
                        options);
}

RunResult Medium::Run(const std::wstring& arguments, const DialogHandler& onDialog) const {
    RunOptions options;
    options.onDialog = onDialog;
    return Run(arguments, options);
}

std::vector<std::pair<std::wstring, std::string>> Medium::PackageSnapshot() const {
    return testfs::Snapshot(package);
}

std::vector<std::wstring> Medium::NewLogs(bool installer,
                                          const std::vector<std::wstring>& since) const {
    std::vector<std::wstring> logs;
    for (const std::wstring& name : testfs::LauncherLogs(staging)) {
        const bool installers = name.size() > 8 && name.substr(name.size() - 8) == L"_msi.log";
        if ((installer || !installers) &&
            !std::binary_search(logsBefore_.begin(), logsBefore_.end(), name) &&
            !std::binary_search(since.begin(), since.end(), name)) {
            logs.push_back(name);
        }
    }
    return logs;
}

std::string Medium::NewLauncherLog() const {
    const std::vector<std::wstring> logs = NewLogs(false);
    if (logs.size() != 1) {
        ADD_FAILURE() << logs.size() << " new logs of the launcher's in "
                      << testfs::Narrow(staging);
        return "<no single log>";
    }
    return testfs::ReadBytes(staging + logs.front());
}

std::vector<std::wstring> Medium::Leftovers() const {
    std::vector<std::wstring> left;
    for (const std::wstring& name : testfs::StagingFolders(staging)) {
        if (!std::binary_search(stagingBefore_.begin(), stagingBefore_.end(), name)) {
            left.push_back(name);
        }
    }
    return left;
}
