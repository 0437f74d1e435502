// One installation run: stage, check, start the installer, clean up.
#include "app/installation.h"
#include "app/launch_mode.h"
#include "app/msiexec_command.h"
#include "app/package_choice.h"
#include "base/file_attributes.h"
#include "base/globals.h"
#include "base/resource_string.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "staging/seal.h"
#include "staging/staging.h"
#include "ui/progress_window.h"
#include "ui/window_station.h"

namespace {

const wchar_t kBitnessMessage[] = L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package.";
const wchar_t kPlatformMessage[] = L"This package cannot be installed on Windows on ARM.";
const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kChangedMessage[] =
    L"The installation package has been changed or damaged. Please obtain it again.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

// Where nobody can see it, a box would wait forever: the exit code tells
// the outcome there instead.
RunOutcome Fail(HWND owner, const wchar_t* text, Outcome outcome) {
    if (IsWindowStationVisible()) {
        MessageBoxW(owner, text, L"Error", MB_OK | MB_ICONWARNING);
    }
    return RunOutcome{outcome, 0};
}

// Stages the MSI and every cabinet, each locked as soon as it is made, and
// checks them against the seal of a sealed launcher, telling progress (when
// there is one) as it goes: InstallerEnded when the installer may start on
// them, else why not.
Outcome StagePackage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, StagedFilesLock& lock, ProgressWindow* progress) {
    SealVerdict verdict = SealVerdict::Intact;
    if (!CopyPackageFile(sourceFolder, stagingFolder, msiName, lock, progress) ||
        !CopyMatchingFiles(sourceFolder, stagingFolder, L"*.cab", lock, progress)) {
        verdict = SealVerdict::Incomplete;
    } else if (g_packageSealed) {
        verdict = VerifyStagedFiles(lock, msiName, progress);
    }
    if (progress != nullptr && progress->Cancelled()) {
        return Outcome::DialogCancelled;
    }
    switch (verdict) {
    case SealVerdict::Intact:
        return Outcome::InstallerEnded;
    case SealVerdict::Changed:
        return Outcome::PackageChanged;
    default:
        return Outcome::PackageNotStaged;
    }
}

// The language of the installation, or else of the user interface.
LANGID RunLanguage(const std::wstring& languageName) {
    const Main::Language* language = g_languageList.FindLanguageByName(languageName);
    return language != nullptr ? static_cast<LANGID>(language->languageId)
                               : g_languageList.uiLanguage;
}

} // namespace

RunOutcome RunInstallation(HINSTANCE module, HWND owner, const std::wstring& languageName) {
    USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    USHORT nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    if (!QueryMachines(processMachine, nativeMachine)) {
        return Fail(owner, kBitnessMessage, Outcome::BitnessUnknown);
    }
    const std::wstring launcherFolder = GetModuleDirectory();
    if (g_lastError != 0) {
        return Fail(owner, kInitialisationMessage, Outcome::PackageNotStaged);
    }
    const std::wstring sourceFolder = launcherFolder + L"Package\\";
    const std::wstring packageName = LoadResourceString(module, IDS_PACKAGE_NAME);
    const PackageChoice package =
        ChoosePackage(processMachine, nativeMachine,
                      IsFile(sourceFolder + PackageFileName(packageName, PackageChoice::Arm64)));
    if (package == PackageChoice::None) {
        return Fail(owner, kPlatformMessage, Outcome::PlatformUnsupported);
    }
    const std::wstring msiName = PackageFileName(packageName, package);
    const std::wstring transform = g_languageList.FindTransformByName(languageName);
    StagingFolderHold hold;
    const std::wstring stagingFolder = CreateStagingDirectory(hold);
    if (stagingFolder.empty()) {
        return Fail(owner, kInitialisationMessage, Outcome::NoStagingFolder);
    }
    // The installer reads the staged copies elevated: they stay locked until
    // it has ended, so that nobody changes them.
    StagedFilesLock lock;
    // Where the installer will show itself, a person waits for it meanwhile.
    const bool showProgress = IsWindowStationVisible() && InstallerShowsInterface(g_commandLine);
    ProgressWindow progress(module, owner, ChooseProgressTexts(RunLanguage(languageName)),
                            showProgress ? PackageBytes(sourceFolder, msiName, L"*.cab") *
                                               (g_packageSealed ? 2 : 1)
                                         : 0);
    const Outcome staged = StagePackage(sourceFolder, stagingFolder, msiName, lock,
                                        showProgress ? &progress : nullptr);
    progress.Close();
    DWORD installerExitCode = 0;
    const InstallerRun installer =
        staged == Outcome::InstallerEnded
            ? LaunchMsiexec(stagingFolder + msiName, transform, installerExitCode)
            : InstallerRun::NotStarted;
    if (installer == InstallerRun::EndUnknown) {
        // The installer may still read the copies: they go at the next restart.
        hold.ScheduleTree();
        return RunOutcome{Outcome::InstallerEnded, ERROR_INSTALL_FAILURE};
    }
    // Whatever happened, the copy goes; the installer's own outcome is its business.
    lock.Release();
    hold.DeleteTree();
    if (staged == Outcome::DialogCancelled) {
        return RunOutcome{staged, 0};
    }
    if (staged != Outcome::InstallerEnded) {
        return Fail(owner,
                    staged == Outcome::PackageChanged ? kChangedMessage : kInitialisationMessage,
                    staged);
    }
    if (installer == InstallerRun::NotStarted) {
        return Fail(owner, kStartMessage, Outcome::InstallerNotStarted);
    }
    return RunOutcome{Outcome::InstallerEnded, installerExitCode};
}
