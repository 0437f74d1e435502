// Setup.exe on a medium with the built sample package, and the package's
// embedded transforms, with Wine's own msiexec.exe doing the installing.
#include "sample_package.h"
#include "dialog_keys.h"
#include "medium.h"
#include "scratch_folder.h"
#include "test_main.h"
#include "file_io.h"
#include "wine_host.h"

#include <msi.h>

#include <gtest/gtest.h>

namespace {

using testfs::Exists;
using testfs::Narrow;
using testfs::ReadBytes;
using testfs::SortedNames;

const std::vector<std::wstring> kInstalledFiles = {L"hlx480.inf", L"hlx480.sys", L"readme.txt"};

std::wstring InstalledProductInfo(const std::wstring& productCode, const wchar_t* property) {
    wchar_t value[512] = {};
    DWORD size = 512;
    if (MsiGetProductInfoW(productCode.c_str(), property, value, &size) != ERROR_SUCCESS) {
        return L"<none>";
    }
    return std::wstring(value, size);
}

// A property of the per-machine product's source list; "<none>" when missing.
std::wstring SourceListInfo(const std::wstring& productCode, const wchar_t* property) {
    wchar_t value[1024] = {};
    DWORD size = 1024;
    if (MsiSourceListGetInfoW(productCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE,
                              MSICODE_PRODUCT, property, value, &size) != ERROR_SUCCESS) {
        return L"<none>";
    }
    return std::wstring(value, size);
}

// The per-machine product's network sources, in their order.
std::vector<std::wstring> NetworkSources(const std::wstring& productCode) {
    std::vector<std::wstring> sources;
    for (DWORD index = 0;; ++index) {
        wchar_t source[1024] = {};
        DWORD size = 1024;
        if (MsiSourceListEnumSourcesW(productCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE,
                                      MSICODE_PRODUCT | MSISOURCETYPE_NETWORK, index, source,
                                      &size) != ERROR_SUCCESS) {
            return sources;
        }
        sources.push_back(source);
    }
}

// The folder that the launcher's log names after "staging folder: ".
std::wstring LoggedStagingFolder(const std::string& log) {
    const std::string key = "staging folder: ";
    const size_t at = log.find(key);
    if (at == std::string::npos) {
        return std::wstring();
    }
    const size_t end = log.find("\r\n", at);
    const std::string folder = log.substr(at + key.size(), end - at - key.size());
    return std::wstring(folder.begin(), folder.end());
}

bool IsInstalled(const std::wstring& productCode) {
    return MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT;
}

std::string Dword(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

// A medium with the built package, whose MSI for packageName is not
// installed; Setup.exe and msiexec.exe inherit its temporary folder. The
// fixtures' SetUp prepares it, and their TearDown cleans it up.
class InstalledPackageTest : public ScratchFolderTest {
  protected:
    InstalledPackageTest() : ScratchFolderTest(L"setup-acceptance") {}
    void Prepare(const std::wstring& packageName) {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        files_.Create(folder, TestPath(L"setup"));
        files_.CopyPackage(PackageDir());
        msi = files_.package + packageName;
        productCode = PackageProperty(msi, L"ProductCode");
        EnsureNotInstalled(msi);
        ASSERT_FALSE(IsInstalled(productCode)) << "an earlier install could not be removed";
    }
    void CleanUp() {
        if (!msi.empty()) {
            EnsureNotInstalled(msi);
        }
        files_.Leave();
        ScratchFolderTest::TearDown();
    }

    Medium files_;
    std::wstring msi, productCode;
};

class MediumTest : public InstalledPackageTest {
  protected:
    void SetUp() override {
        Prepare(OwnPackage());
        package = files_.package;
    }
    void TearDown() override {
        CleanUp();
    }
    RunResult RunSetup(const std::wstring& arguments,
                       const DialogHandler& onDialog = CancelDialog) {
        RunOptions options;
        options.timeoutMs = kRealInstallerRunMs;
        options.onDialog = onDialog;
        return files_.Run(arguments, options);
    }
    // What every run leaves as it found it: the medium, and no staging folder.
    void ExpectCleanRun(const RunResult& run) {
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
        EXPECT_EQ(testfs::Snapshot(package), packageBefore) << "the package folder changed";
        EXPECT_EQ(files_.Leftovers(), std::vector<std::wstring>());
    }
    void ExpectInstalled(const std::wstring& culture, const std::wstring& name) {
        const std::wstring folder = InstallFolder(OwnPackage());
        EXPECT_TRUE(IsInstalled(productCode));
        EXPECT_EQ(InstalledProductInfo(productCode, INSTALLPROPERTY_INSTALLEDPRODUCTNAME), name);
        EXPECT_EQ(SortedNames(folder), kInstalledFiles) << Narrow(folder);
        const RegistryValue flag = ReadProductValue(L"installed");
        EXPECT_EQ(flag.type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(flag.bytes, Dword(1));
        EXPECT_EQ(AsString(ReadProductValue(L"culture")), culture);
    }
    void UninstallWithSetup(const wchar_t* arguments = L"/x /qn") {
        const RunResult uninstall = RunSetup(arguments);
        ExpectCleanRun(uninstall);
        EXPECT_FALSE(uninstall.dialogSeen) << "an installed product is removed directly";
        EXPECT_FALSE(IsInstalled(productCode));
        EXPECT_EQ(ReadProductValue(L"installed").type, static_cast<DWORD>(REG_NONE));
        EXPECT_FALSE(ProductKeyExists());
        EXPECT_FALSE(Exists(InstallFolder(OwnPackage())));
    }

    std::wstring package;
    std::vector<std::pair<std::wstring, std::string>> packageBefore;
};

TEST_F(MediumTest, QuietRunInstallsTheOwnPackageFullRunGoesDirectUninstallRunRemovesIt) {
    packageBefore = testfs::Snapshot(package);
    ASSERT_FALSE(packageBefore.empty());
    const std::wstring folder = InstallFolder(OwnPackage());

    const RunResult install = RunSetup(L"/qn");
    ExpectCleanRun(install);
    EXPECT_FALSE(install.dialogSeen);
    ExpectInstalled(L"en-US", kProductName);
    EXPECT_EQ(ReadBytes(folder + L"hlx480.sys"),
              ReadBytes(SourceDir() + ArchitectureOf(OwnPackage()) + L"\\hlx480.sys"));
    const std::string readme = ReadBytes(folder + L"readme.txt");
    EXPECT_EQ(readme.substr(0, readme.find('\n') + 1), Narrow(kProductName) + "\r\n");
    EXPECT_EQ(ReadBytes(folder + L"hlx480.inf").find('@'), std::string::npos)
        << "a placeholder was left in the INF";
    if (IsWow64()) {
        EXPECT_FALSE(Exists(InstallFolder(kX86))) << "x64 files went to the 32-bit folder";
    }

    // With the flag set, even a full-interface start asks for no language.
    const RunResult again = RunSetup(L"/qf");
    ExpectCleanRun(again);
    EXPECT_FALSE(again.dialogSeen) << "the language dialog appeared for an installed product";
    ExpectInstalled(L"en-US", kProductName);

    UninstallWithSetup();
}

// Windows Installer keeps the folder that an MSI was started from as the
// product's source, and reads it again for a repair: after a run that is the
// medium's Package folder, never the staging folder, which is gone by then
// and which anybody may make again, with the genuine MSI (the package code
// that Windows Installer checks) and a cabinet of their own. Wine's msi
// takes a repair's source from the last used one; it does not take a source
// off the list (MsiSourceListClearSourceW changes nothing there), so the
// staging folder stays listed after the medium under Wine.
TEST_F(MediumTest, RepairTakesTheMediumsFilesNotThoseOfAStagingFolderMadeAgain) {
    packageBefore = testfs::Snapshot(package);
    const RunResult install = RunSetup(L"/qn");
    ExpectCleanRun(install);
    ASSERT_TRUE(IsInstalled(productCode));
    const std::wstring staged = LoggedStagingFolder(files_.NewLauncherLog());
    ASSERT_EQ(staged.substr(0, files_.staging.size()), files_.staging) << Narrow(staged);
    EXPECT_EQ(SourceListInfo(productCode, INSTALLPROPERTY_LASTUSEDSOURCE), package);
    // Wine keeps the staging folder listed, and first: its
    // MsiSourceListClearSourceW changes nothing, and its
    // MsiSourceListAddSourceExW puts a source after the one that holds the
    // index asked for. Windows takes it off, and the medium comes first.
    std::vector<std::wstring> sources = {package};
    if (!winehost::UnixPath(package).empty()) {
        sources.insert(sources.begin(), staged);
    }
    EXPECT_EQ(NetworkSources(productCode), sources);

    struct Removal {
        std::wstring folder;
        ~Removal() {
            testfs::RemoveTree(folder);
        }
    } removal{staged};
    ASSERT_TRUE(CreateDirectoryW(staged.c_str(), nullptr)) << Narrow(staged);
    ASSERT_TRUE(CopyFileW((package + OwnPackage()).c_str(), (staged + OwnPackage()).c_str(), TRUE));
    const std::wstring otherDriver = TestPath(L"other-driver") + L"\\";
    for (const std::wstring& name : SortedNames(otherDriver)) {
        ASSERT_TRUE(CopyFileW((otherDriver + name).c_str(), (staged + name).c_str(), TRUE));
    }

    const std::wstring driver = InstallFolder(OwnPackage()) + L"hlx480.sys";
    ASSERT_TRUE(DeleteFileW(driver.c_str()));
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    EXPECT_EQ(MsiReinstallProductW(productCode.c_str(), REINSTALLMODE_FILEMISSING),
              static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(ReadBytes(driver),
              ReadBytes(SourceDir() + ArchitectureOf(OwnPackage()) + L"\\hlx480.sys"))
        << "the repair did not install the medium's driver";

    testfs::RemoveTree(staged);
    UninstallWithSetup();
}

// A run that never came back (its wait failed, its session ended, it was
// killed) left its staging folder as another product's source, written
// here as Windows Installer wrote it for that run. The next run takes such
// folders off every product's list, and gives the medium to the product
// that it installed alone. Wine's MsiSourceListClearSourceW changes
// nothing: there the test sees the attempt in the log, and only Windows
// shows the other product without that source.
TEST_F(MediumTest, StagingFoldersOfEarlierRunsGoFromEveryProductsSourceList) {
    if (!IsWow64()) {
        GTEST_SKIP() << "32-bit Windows does not install the x64 package as the other product";
    }
    packageBefore = testfs::Snapshot(package);
    const std::wstring other = package + OtherPackage();
    const std::wstring otherCode = PackageProperty(other, L"ProductCode");
    struct Removal {
        std::wstring msi;
        ~Removal() {
            EnsureNotInstalled(msi);
        }
    } removal{other};
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    ASSERT_EQ(MsiInstallProductW(other.c_str(), L""), static_cast<UINT>(ERROR_SUCCESS));
    const std::wstring older = files_.staging + L"QLN7FFE\\";
    const DWORD network = MSICODE_PRODUCT | MSISOURCETYPE_NETWORK;
    ASSERT_EQ(MsiSourceListAddSourceExW(otherCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE,
                                        network, older.c_str(), 1),
              static_cast<UINT>(ERROR_SUCCESS));
    ASSERT_EQ(MsiSourceListSetInfoW(otherCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE, network,
                                    INSTALLPROPERTY_LASTUSEDSOURCE, older.c_str()),
              static_cast<UINT>(ERROR_SUCCESS));

    const RunResult install = RunSetup(L"/qn");
    ExpectCleanRun(install);
    ASSERT_TRUE(IsInstalled(productCode));
    EXPECT_EQ(SourceListInfo(productCode, INSTALLPROPERTY_LASTUSEDSOURCE), package);
    // The other product's lines: from its name to the next product's.
    const std::string log = files_.NewLauncherLog();
    const size_t from = log.find("source list of " + Narrow(otherCode));
    ASSERT_NE(from, std::string::npos) << "the other product's list was left alone\n" << log;
    const std::string lines = log.substr(from, log.find("source list of ", from + 1) - from);
    EXPECT_NE(lines.find("off " + Narrow(older) + "\r\n"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("last used "), std::string::npos)
        << "the medium became the source of a product that this run did not install\n"
        << lines;
    if (winehost::UnixPath(package).empty()) {
        EXPECT_NE(SourceListInfo(otherCode, INSTALLPROPERTY_LASTUSEDSOURCE), older);
        EXPECT_EQ(NetworkSources(otherCode), std::vector<std::wstring>{package});
    }
    EnsureNotInstalled(other);
    UninstallWithSetup();
}

// A newer medium of the same product (its product code, a higher version,
// a package of its own): Windows Installer refuses the plain command with
// 1638, so the launcher updates the installed driver in place; the older
// medium then starts nothing and ends with 1638, and still removes the
// product, by its product code, REMOVE=ALL as much as /x.
TEST_F(MediumTest, NewerMediumUpdatesInPlaceOlderMediumRefusesYetRemoves) {
    packageBefore = testfs::Snapshot(package);
    ExpectCleanRun(RunSetup(L"/qn"));
    ASSERT_TRUE(IsInstalled(productCode));
    const std::wstring updateVersion = TestArgument(L"update-version");

    // The update's medium in a folder of its own, as the other medium is.
    ScratchFolder newerFolder(L"setup-acceptance-update");
    ASSERT_FALSE(HasFatalFailure());
    Medium newer;
    newer.Create(newerFolder.Path(), TestPath(L"setup"));
    newer.CopyPackage(TestPath(L"update") + L"\\");
    struct Leave {
        Medium& medium;
        ~Leave() {
            medium.Leave();
        }
    } leave{newer};
    ASSERT_EQ(PackageProperty(newer.package + OwnPackage(), L"ProductCode"), productCode);
    RunOptions options;
    options.timeoutMs = kRealInstallerRunMs;
    const RunResult update = newer.Run(L"/qn", options);
    ASSERT_TRUE(update.ended);
    EXPECT_EQ(update.exitCode, 0u) << newer.NewLauncherLog();
    EXPECT_EQ(InstalledProductInfo(productCode, INSTALLPROPERTY_VERSIONSTRING), updateVersion);
    EXPECT_EQ(ReadBytes(InstallFolder(OwnPackage()) + L"hlx480.sys"),
              ReadBytes(SourceDir() + ArchitectureOf(OwnPackage()) + L"\\hlx480.sys") + "Update " +
                  Narrow(updateVersion) + "\r\n")
        << "the installed driver is not the update's";
    EXPECT_EQ(SourceListInfo(productCode, INSTALLPROPERTY_LASTUSEDSOURCE), newer.package);
    EXPECT_TRUE(newer.Leftovers().empty());

    // Back to the older medium: no downgrade, and nothing changes.
    const RunResult older = RunSetup(L"/qn");
    ASSERT_TRUE(older.ended);
    EXPECT_EQ(older.exitCode, static_cast<DWORD>(ERROR_PRODUCT_VERSION));
    EXPECT_TRUE(older.boxes.empty()) << Narrow(older.boxes.front().text);
    EXPECT_EQ(InstalledProductInfo(productCode, INSTALLPROPERTY_VERSIONSTRING), updateVersion);
    EXPECT_EQ(files_.Leftovers(), std::vector<std::wstring>());

    // A removal by Windows Installer's own property is a removal too.
    UninstallWithSetup(L"/qn REMOVE=ALL");
}

// An administrative image: msiexec.exe is asked for one, of the staged
// package, where the administrator says, and nothing is installed. Wine's
// Windows Installer has no administrative installation (its ADMIN action does
// nothing and the run ends with 1626), so no image can be shown on disk here.
TEST_F(MediumTest, AdministrativeImageIsAskedOfTheInstallerAndInstallsNothing) {
    packageBefore = testfs::Snapshot(package);
    const RunResult run = RunSetup(L"/a TARGETDIR=\"" + files_.root + L"image\" /qn");
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.boxes.empty()) << Narrow(run.boxes.front().text);
    EXPECT_EQ(testfs::Snapshot(package), packageBefore) << "the package folder changed";
    EXPECT_EQ(files_.Leftovers(), std::vector<std::wstring>());
    EXPECT_FALSE(IsInstalled(productCode));
    const std::string log = files_.NewLauncherLog();
    const std::wstring staged = LoggedStagingFolder(log);
    EXPECT_NE(log.find("msiexec.exe command: msiexec.exe /a \"" + Narrow(staged + OwnPackage()) +
                       "\"  TARGETDIR=\"" + Narrow(files_.root) + "image\" /qn /l*v \""),
              std::string::npos)
        << log;
    const std::vector<std::wstring> logs = files_.NewLogs();
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_NE(ReadBytes(files_.staging + logs[1]).find("Action start"), std::string::npos);
    EXPECT_NE(ReadBytes(files_.staging + logs[1]).find(": ADMIN."), std::string::npos)
        << "no administrative installation was asked for";
}

// Run against a Setup.exe built with SETUP_STAGE_NEEDED_CABINETS=ON: of the
// medium's two cabinets, the one that only the other package names stays
// on the medium, and the package installs from what was staged.
TEST_F(MediumTest, NeededCabinetsOnlyAreStagedAndInstall) {
    packageBefore = testfs::Snapshot(package);
    ExpectCleanRun(RunSetup(L"/qn"));
    EXPECT_TRUE(IsInstalled(productCode));
    const auto cabinet = [](const std::wstring& msi) {
        return Narrow(msi.substr(0, msi.size() - 4)) + ".cab";
    };
    const std::string log = files_.NewLauncherLog();
    EXPECT_NE(log.find("staged, the package's: " + cabinet(OwnPackage()) + "\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("left out, another package's: " + cabinet(OtherPackage()) + "\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("staged: " + cabinet(OtherPackage())), std::string::npos) << log;
    UninstallWithSetup();
}

// A CD or DVD: every file of the package read-only. The staged copies must
// still go, and the medium stay as it was.
TEST_F(MediumTest, ReadOnlyMediumLeavesNoStagingBehind) {
    for (const std::wstring& name : SortedNames(package)) {
        ASSERT_TRUE(SetFileAttributesW((package + name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    packageBefore = testfs::Snapshot(package);

    const RunResult install = RunSetup(L"/qn");
    ExpectCleanRun(install);
    ExpectInstalled(L"en-US", kProductName);
    UninstallWithSetup();
    for (const std::wstring& name : SortedNames(package)) {
        EXPECT_NE(GetFileAttributesW((package + name).c_str()) & FILE_ATTRIBUTE_READONLY, 0u)
            << Narrow(name) << " is no longer read-only";
    }
}

// A person double-clicks Setup.exe and picks a language; msiexec.exe applies
// that language's embedded transform.
TEST_F(MediumTest, LanguageChosenInTheDialogIsTheInstalledOne) {
    struct ChoiceCase {
        std::wstring item;
        std::wstring culture;
        std::wstring name;
    };
    const ChoiceCase cases[] = {
        {kEnglish, L"en-US", kProductName},
        {kJapanese, L"ja-JP", kProductName + std::wstring(L" (ja-JP)")},
    };
    packageBefore = testfs::Snapshot(package);
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(Narrow(c.item));
        bool chosen = false;
        const RunResult install =
            RunSetup(L"", [&](HWND dialog) { chosen = ChooseLanguage(dialog, c.item); });
        ExpectCleanRun(install);
        ASSERT_TRUE(install.dialogSeen);
        ASSERT_TRUE(chosen) << "the dialog does not offer the language";
        ExpectInstalled(c.culture, c.name);
        UninstallWithSetup();
    }
}

// Each embedded transform, applied by msiexec.exe itself, on a copy of the
// package; an empty transform is the base package.
struct TransformCase {
    const wchar_t* package;
    const wchar_t* culture;
    const wchar_t* language;
};

std::vector<TransformCase> TransformCases() {
    const std::pair<const wchar_t*, const wchar_t*> cultures[] = {
        {L"", L"1033"},      {L"ja-JP", L"1041"}, {L"zh-TW", L"1028"}, {L"nl-NL", L"1043"},
        {L"de-DE", L"1031"}, {L"fr-FR", L"1036"}, {L"it-IT", L"1040"}};
    std::vector<TransformCase> cases;
    for (const wchar_t* package : {kX86, kX64}) {
        for (const auto& culture : cultures) {
            cases.push_back({package, culture.first, culture.second});
        }
    }
    return cases;
}

class TransformTest : public InstalledPackageTest,
                      public testing::WithParamInterface<TransformCase> {
  protected:
    void SetUp() override {
        if (GetParam().package == std::wstring(kX64) && !IsWow64()) {
            GTEST_SKIP() << "32-bit Windows does not install the x64 package";
        }
        Prepare(GetParam().package);
    }
    void TearDown() override {
        CleanUp();
    }
};

TEST_P(TransformTest, InstallShowsTheCultureAndUninstallRemovesIt) {
    const TransformCase& c = GetParam();
    const std::wstring culture = *c.culture == L'\0' ? L"en-US" : c.culture;
    const std::wstring name =
        *c.culture == L'\0' ? std::wstring(kProductName) : kProductName + (L" (" + culture + L")");
    std::wstring arguments = L"/i \"" + msi + L"\"";
    if (*c.culture != L'\0') {
        arguments += L" TRANSFORMS=:" + culture + L".mst";
    }

    const RunResult install = RunMsiexec(arguments + L" /qn");
    ASSERT_TRUE(install.ended);
    EXPECT_EQ(install.exitCode, 0u);
    ASSERT_TRUE(IsInstalled(productCode));
    EXPECT_EQ(AsString(ReadProductValue(L"culture")), culture);
    EXPECT_EQ(ReadProductValue(L"installed").bytes, Dword(1));
    EXPECT_EQ(InstalledProductInfo(productCode, INSTALLPROPERTY_INSTALLEDPRODUCTNAME), name);
    EXPECT_EQ(InstalledProductInfo(productCode, INSTALLPROPERTY_LANGUAGE), c.language);
    EXPECT_EQ(SortedNames(InstallFolder(c.package)), kInstalledFiles);

    // msiexec.exe does not apply the transform again on removal; the value it
    // changed goes with its component all the same.
    const RunResult uninstall = RunMsiexec(L"/x \"" + msi + L"\" /qn");
    ASSERT_TRUE(uninstall.ended);
    EXPECT_EQ(uninstall.exitCode, 0u);
    EXPECT_FALSE(IsInstalled(productCode));
    EXPECT_EQ(ReadProductValue(L"culture").type, static_cast<DWORD>(REG_NONE));
    EXPECT_FALSE(ProductKeyExists());
    EXPECT_FALSE(Exists(InstallFolder(c.package)));
}

std::string CaseName(const testing::TestParamInfo<TransformCase>& info) {
    std::string name = info.param.package == std::wstring(kX64) ? "x64_" : "x86_";
    const std::string culture = Narrow(info.param.culture);
    name += culture.empty() ? "base" : culture.substr(0, 2) + culture.substr(3);
    return name;
}

INSTANTIATE_TEST_SUITE_P(Packages, TransformTest, testing::ValuesIn(TransformCases()), CaseName);

} // namespace
