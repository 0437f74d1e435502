// A build made with other naming variables, read back and run under Wine on a
// sample package built with the same values: its texts, its version, the MSI
// names it looks for and the installed-flag key it tests are the new ones.
#include "package_property.h"
#include "process_runner.h"
#include "test_files.h"
#include "test_main.h"

#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using testfs::Narrow;

struct Branding {
    std::wstring setup, packageDir; // the rebranded build's Setup.exe and package
    std::wstring vendor, product, package, version, company, description;
};
Branding g_branding;

std::wstring Wide(const char* text) {
    return std::wstring(text, text + strlen(text));
}

std::wstring ProductKey() {
    return L"Software\\Microsoft\\" + g_branding.vendor + L"\\" + g_branding.product;
}

std::wstring OwnPackage() {
    return g_branding.package + (IsWow64() ? L"x64.msi" : L"x86.msi");
}

std::wstring ResourceString(HMODULE module, UINT id) {
    wchar_t text[512] = {};
    const int length = LoadStringW(module, id, text, 512);
    return std::wstring(text, length > 0 ? length : 0);
}

TEST(RebrandedSetup, StringTableCarriesTheNewTexts) {
    HMODULE module = LoadLibraryExW(g_branding.setup.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const std::pair<UINT, std::wstring> strings[] = {
        {131, g_branding.vendor}, {132, g_branding.product}, {133, g_branding.package}};
    for (const auto& entry : strings) {
        EXPECT_EQ(ResourceString(module, entry.first), entry.second) << "string " << entry.first;
    }
    FreeLibrary(module);
}

TEST(RebrandedSetup, VersionBlockCarriesTheNewVersionAndNames) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(g_branding.setup.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(g_branding.setup.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    unsigned parts[4] = {};
    ASSERT_EQ(swscanf(g_branding.version.c_str(), L"%u.%u.%u.%u", &parts[0], &parts[1], &parts[2],
                      &parts[3]),
              4);
    EXPECT_EQ(fixed->dwFileVersionMS, parts[0] << 16 | parts[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, parts[2] << 16 | parts[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, parts[0] << 16 | parts[1]);
    EXPECT_EQ(fixed->dwProductVersionLS, parts[2] << 16 | parts[3]);

    const std::pair<const wchar_t*, std::wstring> strings[] = {
        {L"CompanyName", g_branding.company},
        {L"FileDescription", g_branding.description},
        {L"FileVersion", g_branding.version},
        {L"LegalCopyright", L"Copyright (C) " + g_branding.company + L". All rights reserved."},
        {L"ProductName", L"Setup.exe"},
        {L"ProductVersion", g_branding.version},
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
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKey().c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return L"no key";
    }
    DWORD value = 0, type = 0, size = sizeof(value);
    const LONG result =
        RegQueryValueExW(key, L"installed", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return L"no value";
    }
    return type == REG_DWORD ? L"REG_DWORD " + std::to_wstring(value) : L"other type";
}

// A medium in the prefix's temporary folder, and the temporary folder that
// the launcher and msiexec.exe inherit.
class RebrandedMediumTest : public testing::Test {
  protected:
    void SetUp() override {
        root = testfs::TempDirectory() + L"setup-rebrand\\";
        medium = root + L"medium\\";
        package = medium + L"Package\\";
        temp = root + L"tmp\\";
        testfs::RemoveTree(root);
        for (const std::wstring& folder : {root, medium, package, temp}) {
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        }
        ASSERT_TRUE(CopyFileW(g_branding.setup.c_str(), (medium + L"Setup.exe").c_str(), TRUE));
        productCode = PackageProperty(g_branding.packageDir + OwnPackage(), L"ProductCode");
        Uninstall();
        SetEnvironmentVariableW(L"TMP", temp.c_str());
        SetEnvironmentVariableW(L"TEMP", temp.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TMP", nullptr);
        SetEnvironmentVariableW(L"TEMP", nullptr);
        Uninstall();
        testfs::RemoveTree(root);
    }
    void Uninstall() {
        if (MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT) {
            RunOptions options;
            options.timeoutMs = 120000;
            RunAndAnswer(L"msiexec.exe /x " + productCode + L" /qn", options);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Microsoft\\" + g_branding.vendor).c_str());
    }
    // The package's files under the names given, in Package\.
    void CopyPackage(const std::wstring& packageName) {
        for (const std::wstring& name : testfs::SortedNames(g_branding.packageDir)) {
            const std::wstring renamed = packageName + name.substr(g_branding.package.size());
            ASSERT_TRUE(CopyFileW((g_branding.packageDir + name).c_str(),
                                  (package + renamed).c_str(), TRUE));
        }
    }
    RunResult RunSetup(const std::wstring& arguments) {
        const std::wstring setup = medium + L"Setup.exe";
        RunOptions options;
        options.applicationName = setup;
        options.currentDirectory = root;
        options.timeoutMs = 180000;
        return RunAndAnswer(L"\"" + setup + L"\" " + arguments, options);
    }

    std::wstring root, medium, package, temp, productCode;
};

TEST_F(RebrandedMediumTest, InstallsTheNewlyNamedPackageAndTestsTheNewKey) {
    CopyPackage(g_branding.package);
    ASSERT_TRUE(testfs::Exists(package + OwnPackage()));
    const auto before = testfs::Snapshot(package);

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
        EXPECT_EQ(testfs::Snapshot(package), before);
        EXPECT_TRUE(testfs::SortedNames(temp).empty()) << "a staging folder was left";
    }
}

TEST_F(RebrandedMediumTest, PackageUnderTheDefaultNamesIsNotFound) {
    CopyPackage(L"HLX480DriverInstaller");
    const RunResult run = RunSetup(L"/qn");
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text.substr(0, 36), L"Cannot initialise the installation!\n");
    EXPECT_EQ(InstalledFlagState(), L"no key");
    // The launcher leaves its staging folder behind after a failed copy; it
    // must hold nothing, since no MSI of the new name was there to copy.
    const std::vector<std::wstring> left = testfs::SortedNames(temp);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].substr(0, 3), L"QLN");
    EXPECT_TRUE(testfs::SortedNames(temp + left[0] + L"\\").empty());
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    UsePlainTestPrinter();
    if (argc != 9) {
        fprintf(stderr, "usage: rebrand_tests <Setup.exe> <package dir> <vendor> <product> "
                        "<package> <version> <company> <description>\n");
        return 2;
    }
    g_branding = {testfs::FromHostPath(argv[1]),
                  testfs::FromHostPath(argv[2]) + L"\\",
                  Wide(argv[3]),
                  Wide(argv[4]),
                  Wide(argv[5]),
                  Wide(argv[6]),
                  Wide(argv[7]),
                  Wide(argv[8])};
    return RUN_ALL_TESTS();
}
