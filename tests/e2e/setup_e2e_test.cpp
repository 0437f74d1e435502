// Runs the built Setup.exe in the Wine prefix, on a package folder of its own,
// with a stand-in in place of the system's msiexec.exe, and observes what the
// user would see: message boxes, the installer's command, the staging folder.
#include "test_files.h"
#include "test_main.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using testfs::Exists;
using testfs::ReadBytes;
using testfs::SortedNames;
using testfs::WriteBytes;

std::wstring g_baseTemp;     // the prefix's temporary folder, before any test changes TMP
std::wstring g_setupBuilt;   // the Setup.exe of the build
std::wstring g_standInBuilt; // the stand-in msiexec.exe of the build

const wchar_t kProductKey[] =
    L"Software\\Microsoft\\ORVANE\\ORVANE VR-ZT042 HLX480 Driver v2.4.0.0";
const wchar_t kX64[] = L"HLX480DriverInstallerx64.msi";
const wchar_t kX86[] = L"HLX480DriverInstallerx86.msi";

const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

std::wstring SystemMsiexec() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\msiexec.exe";
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) {
        ch = static_cast<wchar_t>(towlower(ch));
    }
    return text;
}

// The system's own msiexec.exe, as a 32-bit process names it on 64-bit
// Windows (syswow64) or on 32-bit Windows (system32).
bool IsSystemMsiexec(const std::wstring& module) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring base = Lower(windows);
    const std::wstring path = Lower(module);
    return path == base + L"\\syswow64\\msiexec.exe" || path == base + L"\\system32\\msiexec.exe";
}

// Puts the stand-in where the launcher looks for msiexec.exe (a 32-bit
// process sees syswow64 there) and brings the original back afterwards.
class StandInInstaller : public testing::Environment {
  public:
    void SetUp() override {
        backup_ = SystemMsiexec() + L".setup-test-original";
        if (!Exists(backup_)) {
            ASSERT_TRUE(MoveFileW(SystemMsiexec().c_str(), backup_.c_str()));
        }
        Install();
    }
    void TearDown() override {
        DeleteFileW(SystemMsiexec().c_str());
        MoveFileW(backup_.c_str(), SystemMsiexec().c_str());
    }
    static void Install() {
        ASSERT_TRUE(CopyFileW(g_standInBuilt.c_str(), SystemMsiexec().c_str(), FALSE));
    }

  private:
    std::wstring backup_;
};

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
    HWND owner;
};

struct RunResult {
    bool ended = false;
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<MessageBoxSeen> boxes;
    bool dialogSeen = false;
};

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (processId == search->processId && std::wstring(className) == L"#32770" &&
        IsWindowVisible(window)) {
        search->windows.push_back(window);
    }
    return TRUE;
}

// Starts Setup.exe and answers its windows until it ends: error boxes are
// read and confirmed, a language dialog is cancelled.
RunResult RunSetup(const std::wstring& setupPath, const std::wstring& arguments,
                   const std::wstring& currentDirectory) {
    RunResult result;
    std::wstring commandLine = L"\"" + setupPath + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(setupPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.c_str(), &startup, &process)) {
        ADD_FAILURE() << "Setup.exe did not start: " << GetLastError();
        return result;
    }
    std::set<HWND> answered;
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
        if (GetTickCount64() > deadline) {
            TerminateProcess(process.hProcess, 1);
            ADD_FAILURE() << "Setup.exe did not end within 60 s";
            break;
        }
        WindowSearch search{process.dwProcessId, {}};
        EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.windows) {
            if (answered.count(window) != 0) {
                continue;
            }
            wchar_t caption[256] = {};
            GetWindowTextW(window, caption, 256);
            if (std::wstring(caption) == L"Error") {
                wchar_t text[1024] = {};
                GetDlgItemTextW(window, 0xFFFF, text, 1024);
                result.boxes.push_back({caption, text, GetWindow(window, GW_OWNER)});
                PostMessageW(window, WM_COMMAND, IDOK, 0);
            } else {
                result.dialogSeen = true;
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            }
            answered.insert(window);
        }
    }
    result.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

struct InstallerRecord {
    std::wstring module;
    std::wstring commandLine;
    std::wstring folder;
    std::vector<std::wstring> listing; // "name size", sorted
};

bool ReadRecord(const std::wstring& path, InstallerRecord& record) {
    const std::string bytes = ReadBytes(path);
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
    record.listing.assign(lines.begin() + 3, lines.end());
    std::sort(record.listing.begin(), record.listing.end());
    return true;
}

// What a scenario changes before the launcher starts.
enum class Setting {
    None,
    NoCabinets,
    NoX64Package,
    NoX86Package,
    TemporaryFolderMissing,
    InstallerNotStartable,
    InstalledFlag,
    InstalledFlagZero,
    PlantedMsiexec,
};

struct Scenario {
    const char* name;
    Setting setting;
    const wchar_t* arguments;
    const char* installerExitCode;
    // The installer's expected command: its switch ("/i" or "/x") and the text
    // after the quoted package path; null when no installer may start.
    const wchar_t* installerSwitch;
    const wchar_t* commandTail;
    const wchar_t* message; // the one error box expected, or null
    // Whether a staging folder stays behind in the temporary folder, and the
    // sorted names it then holds.
    bool stagingLeft;
    std::vector<std::wstring> leftBehind;
};

const std::vector<std::wstring> kCompleteStaging = {L"HLX480DriverInstallerx64.msi", L"data1.cab",
                                                    L"data2.cab"};

const Scenario kScenarios[] = {
    {"passive installs", Setting::None, L"/passive", "0", L"/i", L" /passive", nullptr, false, {}},
    {"quiet installs", Setting::None, L"/qn", "0", L"/i", L" /qn", nullptr, false, {}},
    {"help switch runs msiexec directly",
     Setting::None,
     L"/?",
     "0",
     L"/i",
     L" /?",
     nullptr,
     false,
     {}},
    {"switches and quoted values passed on",
     Setting::None,
     L"/qn /l*v \"C:\\log dir\\a.log\" REBOOT=ReallySuppress",
     "0",
     L"/i",
     L" /qn /l*v \"C:\\log dir\\a.log\" REBOOT=ReallySuppress",
     nullptr,
     false,
     {}},
    {"uninstall", Setting::None, L"/x /qn", "0", L"/x", L"  /qn", nullptr, false, {}},
    {"dash uninstall",
     Setting::None,
     L"-uninstall /passive",
     "0",
     L"/x",
     L"  /passive",
     nullptr,
     false,
     {}},
    {"installer failure is not reported",
     Setting::None,
     L"/qn",
     "1603",
     L"/i",
     L" /qn",
     nullptr,
     false,
     {}},
    {"user cancel is not reported",
     Setting::None,
     L"/passive",
     "1602",
     L"/i",
     L" /passive",
     nullptr,
     false,
     {}},
    {"missing x86 package does not matter on 64-bit",
     Setting::NoX86Package,
     L"/qn",
     "0",
     L"/i",
     L" /qn",
     nullptr,
     false,
     {}},
    {"installed product runs directly despite /qf",
     Setting::InstalledFlag,
     L"/qf",
     "0",
     L"/i",
     L" /qf",
     nullptr,
     false,
     {}},
    {"installed product without arguments runs directly",
     Setting::InstalledFlag,
     L"",
     "0",
     L"/i",
     L"",
     nullptr,
     false,
     {}},
    {"flag 0 is not installed",
     Setting::InstalledFlagZero,
     L"/qf",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"full interface asks for a language",
     Setting::None,
     L"/qf",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"no arguments asks for a language",
     Setting::None,
     L"",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"upper-case switch asks for a language",
     Setting::None,
     L"/QN",
     "0",
     nullptr,
     nullptr,
     nullptr,
     false,
     {}},
    {"planted msiexec is not started",
     Setting::PlantedMsiexec,
     L"/passive",
     "0",
     L"/i",
     L" /passive",
     nullptr,
     false,
     {}},
    {"no cabinet",
     Setting::NoCabinets,
     L"/qn",
     "0",
     nullptr,
     nullptr,
     kInitialisationMessage,
     true,
     {L"HLX480DriverInstallerx64.msi"}},
    {"missing package",
     Setting::NoX64Package,
     L"/qn",
     "0",
     nullptr,
     nullptr,
     kInitialisationMessage,
     true,
     {}},
    {"staging folder cannot be created",
     Setting::TemporaryFolderMissing,
     L"/qn",
     "0",
     nullptr,
     nullptr,
     kInitialisationMessage,
     false,
     {}},
    {"installer cannot start", Setting::InstallerNotStartable, L"/qn", "0", nullptr, nullptr,
     kStartMessage, true, kCompleteStaging},
};

class SetupRunTest : public testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override {
        root_ = g_baseTemp + L"setup-e2e\\";
        testfs::RemoveTree(root_);
        medium_ = root_ + L"medium\\";
        package_ = medium_ + L"Package\\";
        temp_ = root_ + L"tmp\\";
        record_ = root_ + L"record.txt";
        for (const std::wstring& folder : {root_, medium_, package_, temp_}) {
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        }
        ASSERT_TRUE(CopyFileW(g_setupBuilt.c_str(), (medium_ + L"Setup.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteBytes(package_ + kX64, std::string(3000, 'x')));
        ASSERT_TRUE(WriteBytes(package_ + kX86, std::string(2000, 'y')));
        ASSERT_TRUE(WriteBytes(package_ + L"data1.cab", "MSCF one"));
        ASSERT_TRUE(WriteBytes(package_ + L"data2.cab", std::string(70000, 'c')));
        ASSERT_TRUE(WriteBytes(package_ + L"notes.txt", "not staged"));
        SetEnvironmentVariableW(L"TMP", temp_.c_str());
        SetEnvironmentVariableW(L"TEMP", temp_.c_str());
        SetEnvironmentVariableW(L"SETUP_TEST_RECORD", record_.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\ORVANE");
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"SETUP_TEST_RECORD", nullptr);
        SetEnvironmentVariableW(L"SETUP_TEST_EXIT_CODE", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\ORVANE");
        StandInInstaller::Install();
        testfs::RemoveTree(root_);
    }

    void Apply(Setting setting) {
        switch (setting) {
        case Setting::None:
            break;
        case Setting::NoCabinets:
            DeleteFileW((package_ + L"data1.cab").c_str());
            DeleteFileW((package_ + L"data2.cab").c_str());
            break;
        case Setting::NoX64Package:
            DeleteFileW((package_ + kX64).c_str());
            break;
        case Setting::NoX86Package:
            DeleteFileW((package_ + kX86).c_str());
            break;
        case Setting::TemporaryFolderMissing:
            SetEnvironmentVariableW(L"TMP", (root_ + L"missing\\").c_str());
            break;
        case Setting::InstallerNotStartable:
            ASSERT_TRUE(WriteBytes(SystemMsiexec(), "this is not a program"));
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
        case Setting::PlantedMsiexec:
            ASSERT_TRUE(
                CopyFileW(g_standInBuilt.c_str(), (medium_ + L"msiexec.exe").c_str(), FALSE));
            ASSERT_TRUE(CopyFileW(g_standInBuilt.c_str(), (root_ + L"msiexec.exe").c_str(), FALSE));
            break;
        }
    }

    // Every file of the package folder with its bytes.
    std::vector<std::pair<std::wstring, std::string>> PackageSnapshot() const {
        std::vector<std::pair<std::wstring, std::string>> files;
        for (const std::wstring& name : SortedNames(package_)) {
            files.emplace_back(name, ReadBytes(package_ + name));
        }
        return files;
    }

    std::wstring root_, medium_, package_, temp_, record_;
};

TEST_P(SetupRunTest, Scenario) {
    const Scenario& s = GetParam();
    Apply(s.setting);
    if (HasFatalFailure()) {
        return;
    }
    SetEnvironmentVariableW(
        L"SETUP_TEST_EXIT_CODE",
        std::wstring(s.installerExitCode, s.installerExitCode + strlen(s.installerExitCode))
            .c_str());
    const auto packageBefore = PackageSnapshot();

    const RunResult run = RunSetup(medium_ + L"Setup.exe", s.arguments, root_);

    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u) << "the launcher always ends with 0";
    EXPECT_EQ(PackageSnapshot(), packageBefore) << "the package folder is never changed";

    // Interactive mode is the one way to end with neither installer nor error.
    const bool interactive = s.installerSwitch == nullptr && s.message == nullptr;
    EXPECT_EQ(run.dialogSeen, interactive) << "the language dialog (cancelled here)";

    if (s.message == nullptr) {
        EXPECT_TRUE(run.boxes.empty()) << testfs::Narrow(run.boxes.front().text);
    } else {
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0].caption, L"Error");
        EXPECT_EQ(run.boxes[0].text, s.message);
        EXPECT_EQ(run.boxes[0].owner, nullptr) << "direct mode has no owner window";
    }

    InstallerRecord record;
    const bool installerRan = ReadRecord(record_, record);
    if (s.installerSwitch == nullptr) {
        EXPECT_FALSE(installerRan) << testfs::Narrow(record.commandLine);
    } else {
        ASSERT_TRUE(installerRan) << "the installer was not started";
        EXPECT_TRUE(IsSystemMsiexec(record.module)) << "started " << testfs::Narrow(record.module);
        // The staging folder: a fresh QLNxxxx folder in the temporary folder.
        ASSERT_EQ(record.folder.size(), temp_.size() + 8) << testfs::Narrow(record.folder);
        EXPECT_EQ(record.folder.substr(0, temp_.size() + 3), temp_ + L"QLN");
        EXPECT_EQ(record.commandLine, std::wstring(L"msiexec.exe ") + s.installerSwitch + L" \"" +
                                          record.folder + kX64 + L"\"" + s.commandTail);
        EXPECT_EQ(record.listing, (std::vector<std::wstring>{L"HLX480DriverInstallerx64.msi 3000",
                                                             L"data1.cab 8", L"data2.cab 70000"}))
            << "the staging folder holds the 64-bit package and every cabinet";
        EXPECT_FALSE(Exists(record.folder)) << "the staging folder is removed after the run";
    }

    const std::vector<std::wstring> temporary = SortedNames(temp_);
    if (s.stagingLeft) {
        ASSERT_EQ(temporary.size(), 1u) << "a failed run leaves its staging folder";
        EXPECT_EQ(SortedNames(temp_ + temporary[0] + L"\\"), s.leftBehind);
    } else {
        EXPECT_TRUE(temporary.empty()) << testfs::Narrow(temporary.front());
    }
    if (s.setting == Setting::TemporaryFolderMissing) {
        EXPECT_FALSE(Exists(root_ + L"missing")) << "nothing is created in its place";
    }
}

std::string ScenarioName(const testing::TestParamInfo<Scenario>& info) {
    std::string name = info.param.name;
    for (char& ch : name) {
        if (!isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Runs, SetupRunTest, testing::ValuesIn(kScenarios), ScenarioName);

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    UsePlainTestPrinter();
    if (argc != 3) {
        fprintf(stderr, "usage: setup_e2e_tests <Setup.exe> <stand_in_msiexec.exe>\n");
        return 2;
    }
    g_baseTemp = testfs::TempDirectory();
    g_setupBuilt = testfs::FromHostPath(argv[1]);
    g_standInBuilt = testfs::FromHostPath(argv[2]);
    testing::AddGlobalTestEnvironment(new StandInInstaller);
    return RUN_ALL_TESTS();
}
