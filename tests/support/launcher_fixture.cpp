// The fixture of the tests that run Setup.exe on a medium with the stand-in installer.
#include "launcher_fixture.h"
#include "file_io.h"
#include "launcher_places.h"
#include "test_main.h"
#include "unseen_desktop.h"
#include "wine_host.h"

namespace {

const wchar_t kVendorKey[] = L"Software\\Microsoft\\ORVANE";

// The Windows folder's Temp moved aside, to make it unusable; moved back by
// the next test even when a run was interrupted.
std::wstring WindowsTempAside() {
    return testfs::WindowsTemp().substr(0, testfs::WindowsTemp().size() - 1) + L"-aside-by-e2e";
}

void RestoreWindowsTemp() {
    const std::wstring temp = testfs::WindowsTemp();
    if (testfs::Exists(WindowsTempAside()) && testfs::Exists(temp)) {
        // A small file system in its place: what the run left goes with it,
        // and only its empty mount point is removed.
        winehost::UnmountFileSystem(temp);
        RemoveDirectoryW(temp.c_str());
    }
    if (testfs::Exists(WindowsTempAside()) && !testfs::Exists(temp)) {
        MoveFileW(WindowsTempAside().c_str(), temp.substr(0, temp.size() - 1).c_str());
    }
}

} // namespace

void SetupTest::SetUp() {
    RestoreWindowsTemp();
    ScratchFolderTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    files_.Create(folder, TestPath(L"setup"));
    ASSERT_TRUE(testfs::WriteBytes(files_.package + kX64, std::string(3000, 'x')));
    ASSERT_TRUE(testfs::WriteBytes(files_.package + kX86, std::string(2000, 'y')));
    ASSERT_TRUE(testfs::WriteBytes(files_.package + L"data1.cab", "MSCF one"));
    ASSERT_TRUE(testfs::WriteBytes(files_.package + L"data2.cab", std::string(70000, 'c')));
    ASSERT_TRUE(testfs::WriteBytes(files_.package + L"notes.txt", "not staged"));
    RegDeleteTreeW(HKEY_CURRENT_USER, kVendorKey);
}

void SetupTest::TearDown() {
    SetEnvironmentVariableW(L"SETUP_TEST_EXIT_CODE", nullptr);
    SetEnvironmentVariableW(L"SETUP_TEST_WAIT_FILE", nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, kVendorKey);
    RestoreStandIn();
    heldCabinet_.Reset();
    RestoreWindowsTemp();
    // What a run left (a planted link that Wine cannot remove keeps its
    // folder) goes with the test, and not at the prefix's next boot.
    for (const std::wstring& name : files_.Leftovers()) {
        testfs::TakeRemovalsAtRestart(files_.staging + name + L"\\");
        testfs::RemoveTree(files_.staging + name + L"\\");
    }
    // The logs of its runs too, so that they do not pile up in the prefix.
    for (const std::wstring& name : files_.NewLogs()) {
        DeleteFileW((files_.staging + name).c_str());
    }
    files_.Leave();
    ScratchFolderTest::TearDown();
}

void SetupTest::Apply(Setting setting) {
    const std::wstring& package = files_.package;
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
        SetEnvironmentVariableW(L"TMP", (files_.root + L"missing\\").c_str());
        break;
    case Setting::WindowsTempUnusable: {
        const std::wstring temp = testfs::WindowsTemp();
        ASSERT_TRUE(MoveFileW(temp.substr(0, temp.size() - 1).c_str(), WindowsTempAside().c_str()));
        break;
    }
    case Setting::WindowsTempFull: {
        // Room for a few small files, and not for the 70,000-byte cabinet.
        const std::wstring temp = testfs::WindowsTemp();
        ASSERT_TRUE(MoveFileW(temp.substr(0, temp.size() - 1).c_str(), WindowsTempAside().c_str()));
        ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
        ASSERT_TRUE(winehost::MountSmallFileSystem(temp, 48 * 1024)) << "no small file system";
        break;
    }
    case Setting::CabinetInUse:
        heldCabinet_ = FileHandle(CreateFileW((package + L"data2.cab").c_str(), GENERIC_READ, 0,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(heldCabinet_.IsValid());
        break;
    case Setting::InstallerNotStartable:
        ASSERT_TRUE(testfs::WriteBytes(SystemMsiexec(), "this is not a program"));
        break;
    case Setting::InstalledFlag:
    case Setting::InstalledFlagZero: {
        RegistryKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
        const DWORD value = setting == Setting::InstalledFlag ? 1 : 0;
        RegSetValueExW(key.Get(), L"installed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
        break;
    }
    case Setting::ReadOnlyMedium:
        for (const std::wstring& name : testfs::SortedNames(package)) {
            ASSERT_TRUE(SetFileAttributesW((package + name).c_str(), FILE_ATTRIBUTE_READONLY));
        }
        break;
    case Setting::PlantedMsiexec: {
        const std::wstring standIn = TestPath(L"stand-in");
        ASSERT_TRUE(CopyFileW(standIn.c_str(), (files_.medium + L"msiexec.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(standIn.c_str(), (files_.root + L"msiexec.exe").c_str(), FALSE));
        break;
    }
    }
}

RunResult SetupTest::RunUnseen(const std::wstring& arguments) {
    UnseenDesktop unseen;
    if (unseen.Name().empty()) {
        ADD_FAILURE() << "no window station of its own";
        return RunResult();
    }
    RunOptions options;
    options.desktop = unseen.Name();
    options.timeoutMs = kUnansweredRunMs;
    return files_.Run(arguments, options);
}

std::wstring OwnPackageListing() {
    return OwnPackage() + (IsWow64() ? L" 3000" : L" 2000");
}

std::vector<std::wstring> CompleteListing() {
    return {OwnPackageListing(), L"data1.cab 8", L"data2.cab 70000"};
}

bool EndTheSession(HWND window) {
    DWORD_PTR mayEnd = 0;
    DWORD_PTR ended = 0;
    return SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK,
                               kAnswerMs, &mayEnd) != 0 &&
           mayEnd != 0 &&
           SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK,
                               kAnswerMs, &ended) != 0;
}

HWND SessionWatchWindow() {
    return FindWindowW(L"SetupSessionWatch", nullptr);
}
