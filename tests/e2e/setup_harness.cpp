#include "setup_harness.h"
#include "test_files.h"

std::wstring g_baseTemp;
std::wstring g_setupBuilt;
std::wstring g_standInBuilt;

extern const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
extern const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

std::wstring OwnPackageListing() {
    return OwnPackage() + (IsWow64() ? L" 3000" : L" 2000");
}

std::wstring SystemMsiexec() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\msiexec.exe";
}

namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) {
        ch = static_cast<wchar_t>(towlower(ch));
    }
    return text;
}

} // namespace

// The system's own msiexec.exe, as a 32-bit process names it on 64-bit
// Windows (syswow64) or on 32-bit Windows (system32).
bool IsSystemMsiexec(const std::wstring& module) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring base = Lower(windows);
    const std::wstring path = Lower(module);
    return path == base + L"\\syswow64\\msiexec.exe" || path == base + L"\\system32\\msiexec.exe";
}

void StandInInstaller::SetUp() {
    backup_ = SystemMsiexec() + L".setup-test-original";
    if (!testfs::Exists(backup_)) {
        ASSERT_TRUE(MoveFileW(SystemMsiexec().c_str(), backup_.c_str()));
    }
    Install();
}

void StandInInstaller::TearDown() {
    DeleteFileW(SystemMsiexec().c_str());
    MoveFileW(backup_.c_str(), SystemMsiexec().c_str());
}

void StandInInstaller::Install() {
    ASSERT_TRUE(CopyFileW(g_standInBuilt.c_str(), SystemMsiexec().c_str(), FALSE));
}

RunResult RunSetup(const std::wstring& setupPath, const std::wstring& arguments,
                   const std::wstring& currentDirectory, const DialogHandler& onDialog,
                   const std::wstring& desktop, DWORD timeoutMs) {
    std::wstring commandLine = L"\"" + setupPath + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    RunOptions options;
    options.applicationName = setupPath;
    options.currentDirectory = currentDirectory;
    options.desktop = desktop;
    options.timeoutMs = timeoutMs;
    options.onDialog = onDialog;
    return RunAndAnswer(commandLine, options);
}

bool ReadRecord(const std::wstring& path, InstallerRecord& record) {
    const std::string bytes = testfs::ReadBytes(path);
    if (bytes == "<missing>") {
        return false;
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find(L'\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::wstring::npos ? text.size() : end + 1;
    }
    if (lines.size() < 3) {
        return false;
    }
    record.module = lines[0];
    record.commandLine = lines[1];
    record.folder = lines[2];
    for (auto line = lines.begin() + 3; line != lines.end(); ++line) {
        if (line->compare(0, 7, L"access ") == 0) {
            record.access.push_back(line->substr(7));
        } else if (line->compare(0, 10, L"inherited ") == 0) {
            record.inheritedHandles = _wtoi(line->c_str() + 10);
        } else {
            record.listing.push_back(*line);
        }
    }
    std::sort(record.listing.begin(), record.listing.end());
    std::sort(record.access.begin(), record.access.end());
    return true;
}

std::vector<std::wstring> LockedAccess(const std::vector<std::wstring>& listing) {
    std::vector<std::wstring> access;
    for (const std::wstring& line : listing) {
        access.push_back(line.substr(0, line.rfind(L' ')) + L" write 32 delete 32 read 0");
    }
    return access;
}

void Medium::Create() {
    root = g_baseTemp + L"setup-e2e\\";
    testfs::RemoveTree(root);
    medium = root + L"medium\\";
    package = medium + L"Package\\";
    temp = root + L"tmp\\";
    record = root + L"record.txt";
    for (const std::wstring& folder : {root, medium, package, temp}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    ASSERT_TRUE(CopyFileW(g_setupBuilt.c_str(), (medium + L"Setup.exe").c_str(), FALSE));
    ASSERT_TRUE(testfs::WriteBytes(package + kX64, std::string(3000, 'x')));
    ASSERT_TRUE(testfs::WriteBytes(package + kX86, std::string(2000, 'y')));
    ASSERT_TRUE(testfs::WriteBytes(package + L"data1.cab", "MSCF one"));
    ASSERT_TRUE(testfs::WriteBytes(package + L"data2.cab", std::string(70000, 'c')));
    ASSERT_TRUE(testfs::WriteBytes(package + L"notes.txt", "not staged"));
    SetEnvironmentVariableW(L"TMP", temp.c_str());
    SetEnvironmentVariableW(L"TEMP", temp.c_str());
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", record.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\ORVANE");
}

void Medium::Destroy() {
    SetEnvironmentVariableW(L"SETUP_TEST_RECORD", nullptr);
    SetEnvironmentVariableW(L"SETUP_TEST_EXIT_CODE", nullptr);
    SetEnvironmentVariableW(L"SETUP_TEST_WAIT_FILE", nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\ORVANE");
    StandInInstaller::Install();
    testfs::RemoveTree(root);
}

std::vector<std::pair<std::wstring, std::string>> Medium::PackageSnapshot() const {
    return testfs::Snapshot(package);
}

void Medium::Apply(Setting setting) {
    switch (setting) {
    case Setting::None:
        break;
    case Setting::NoCabinets:
        DeleteFileW((package + L"data1.cab").c_str());
        DeleteFileW((package + L"data2.cab").c_str());
        break;
    case Setting::NoOwnPackage:
        DeleteFileW((package + OwnPackage()).c_str());
        break;
    case Setting::NoOtherPackage:
        DeleteFileW((package + OtherPackage()).c_str());
        break;
    case Setting::TemporaryFolderMissing:
        SetEnvironmentVariableW(L"TMP", (root + L"missing\\").c_str());
        break;
    case Setting::InstallerNotStartable:
        ASSERT_TRUE(testfs::WriteBytes(SystemMsiexec(), "this is not a program"));
        break;
    case Setting::InstalledFlag:
    case Setting::InstalledFlagZero: {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const DWORD value = setting == Setting::InstalledFlag ? 1 : 0;
        RegSetValueExW(key, L"installed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
        RegCloseKey(key);
        break;
    }
    case Setting::ReadOnlyMedium:
        for (const std::wstring& name : testfs::SortedNames(package)) {
            ASSERT_TRUE(SetFileAttributesW((package + name).c_str(), FILE_ATTRIBUTE_READONLY));
        }
        break;
    case Setting::PlantedMsiexec:
        ASSERT_TRUE(CopyFileW(g_standInBuilt.c_str(), (medium + L"msiexec.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(g_standInBuilt.c_str(), (root + L"msiexec.exe").c_str(), FALSE));
        break;
    }
}
