// A build made with other naming variables, read back and run under Wine on a
// sample package built with the same values: its texts, its version, the MSI
// names it looks for and the installed-flag key it tests are the new ones.
#include "package_property.h"
#include "default_names.h"
#include "medium.h"
#include "processes.h"
#include "scratch_folder.h"
#include "file_io.h"
#include "test_main.h"

#include "base/unique_handle.h"

#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

namespace {

using testfs::Narrow;

// The rebranded build's Setup.exe (setup=) and package (package=), and the
// values it was built with.
struct Branding {
    std::wstring setup, packageDir;
    std::wstring vendor, product, package, version, company, description;
};

const Branding& TheBranding() {
    static const Branding branding = {
        TestPath(L"setup"),       TestPath(L"package") + L"\\",  TestArgument(L"vendor"),
        TestArgument(L"product"), TestArgument(L"package-name"), TestArgument(L"version"),
        TestArgument(L"company"), TestArgument(L"description")};
    return branding;
}

std::wstring ProductKey() {
    return L"Software\\Microsoft\\" + TheBranding().vendor + L"\\" + TheBranding().product;
}

// The package this Windows needs, under the new name.
std::wstring RebrandedPackage() {
    return TheBranding().package + (IsWow64() ? L"x64.msi" : L"x86.msi");
}

std::wstring ResourceString(HMODULE module, UINT id) {
    wchar_t text[512] = {};
    const int length = LoadStringW(module, id, text, 512);
    return std::wstring(text, length > 0 ? length : 0);
}

TEST(RebrandedSetup, StringTableCarriesTheNewTexts) {
    HMODULE module = LoadLibraryExW(TheBranding().setup.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const std::pair<UINT, std::wstring> strings[] = {
        {131, TheBranding().vendor}, {132, TheBranding().product}, {133, TheBranding().package}};
    for (const auto& entry : strings) {
        EXPECT_EQ(ResourceString(module, entry.first), entry.second) << "string " << entry.first;
    }
    FreeLibrary(module);
}

TEST(RebrandedSetup, VersionBlockCarriesTheNewVersionAndNames) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(TheBranding().setup.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(TheBranding().setup.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    unsigned parts[4] = {};
    ASSERT_EQ(swscanf(TheBranding().version.c_str(), L"%u.%u.%u.%u", &parts[0], &parts[1],
                      &parts[2], &parts[3]),
              4);
    EXPECT_EQ(fixed->dwFileVersionMS, parts[0] << 16 | parts[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, parts[2] << 16 | parts[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, parts[0] << 16 | parts[1]);
    EXPECT_EQ(fixed->dwProductVersionLS, parts[2] << 16 | parts[3]);

    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"CompanyName", TheBranding().company},
        {L"FileDescription", TheBranding().description},
        {L"FileVersion", TheBranding().version},
        {L"LegalCopyright", L"Copyright (C) " + TheBranding().company + L". All rights reserved."},
        {L"ProductName", L"Setup.exe"},
        {L"ProductVersion", TheBranding().version},
    };
    for (const auto& entry : strings) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + entry.first;
        ASSERT_TRUE(
            VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            << Narrow(entry.first);
        EXPECT_EQ(std::wstring(value), entry.second) << Narrow(entry.first);
    }
}

std::wstring InstalledFlagState() {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKey().c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS) {
        return L"no key";
    }
    DWORD value = 0, type = 0, size = sizeof(value);
    const LONG result = RegQueryValueExW(key.Get(), L"installed", nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size);
    if (result != ERROR_SUCCESS) {
        return L"no value";
    }
    return type == REG_DWORD ? L"REG_DWORD " + std::to_wstring(value) : L"other type";
}

// A medium in the prefix's temporary folder, and the temporary folder that
// the launcher and msiexec.exe inherit.
class RebrandedMediumTest : public ScratchFolderTest {
  protected:
    RebrandedMediumTest() : ScratchFolderTest(L"setup-rebrand") {}
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        files_.Create(folder, TheBranding().setup);
        productCode =
            PackageProperty(TheBranding().packageDir + RebrandedPackage(), L"ProductCode");
        Uninstall();
    }
    void TearDown() override {
        Uninstall();
        files_.Leave();
        ScratchFolderTest::TearDown();
    }
    void Uninstall() {
        if (MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT) {
            RunOptions options;
            options.timeoutMs = kRealInstallerMs;
            RunAndAnswer(L"msiexec.exe /x " + productCode + L" /qn", options);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER,
                       (L"Software\\Microsoft\\" + TheBranding().vendor).c_str());
    }
    RunResult RunSetup(const std::wstring& arguments) {
        RunOptions options;
        options.timeoutMs = kRealInstallerRunMs;
        return files_.Run(arguments, options);
    }

    Medium files_;
    std::wstring productCode;
};

TEST_F(RebrandedMediumTest, InstallsTheNewlyNamedPackageAndTestsTheNewKey) {
    files_.CopyPackage(TheBranding().packageDir);
    ASSERT_TRUE(testfs::Exists(files_.package + RebrandedPackage()));
    const auto before = files_.PackageSnapshot();

    // Each run: switches, and the flag state and dialog expected afterwards.
    struct Step {
        const wchar_t* arguments;
        const wchar_t* flagAfter;
        bool installedAfter;
    };
    const Step steps[] = {
        {L"/qn", L"REG_DWORD 1", true},
        // The flag under the new key is honoured: no language dialog.
        {L"/qf", L"REG_DWORD 1", true},
        {L"/x /qn", L"no key", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(Narrow(step.arguments));
        const RunResult run = RunSetup(step.arguments);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.dialogSeen);
        EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
        EXPECT_EQ(InstalledFlagState(), step.flagAfter);
        EXPECT_EQ(MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT,
                  step.installedAfter);
        EXPECT_EQ(files_.PackageSnapshot(), before);
        EXPECT_TRUE(files_.Leftovers().empty()) << "a staging folder was left";
    }
}

TEST_F(RebrandedMediumTest, PackageUnderTheDefaultNamesIsNotFound) {
    files_.CopyPackage(TheBranding().packageDir, TheBranding().package, L"HLX480DriverInstaller");
    const RunResult run = RunSetup(L"/qn");
    ASSERT_TRUE(run.ended);
    // A quiet run tells the missing package by its exit code alone.
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(ERROR_INSTALL_PACKAGE_OPEN_FAILED));
    EXPECT_EQ(InstalledFlagState(), L"no key");
    EXPECT_TRUE(files_.Leftovers().empty()) << "a failed run left its staging folder";
}

} // namespace
