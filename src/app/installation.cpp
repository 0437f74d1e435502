// One installation run: stage, check, start the installer, clean up.
#include "app/installation.h"
#include "app/launch_mode.h"
#include "app/log_files.h"
#include "app/msiexec_command.h"
#include "app/package_cabinets.h"
#include "app/package_choice.h"
#include "app/product_source.h"
#include "app/product_update.h"
#include "base/file_attributes.h"
#include "base/resource_string.h"
#include "base/run_log.h"
#include "language/language_list.h"
#include "res/resource.h"
#include "staging/seal.h"
#include "staging/staging.h"
#include "ui/progress_window.h"
#include "ui/session_end.h"

namespace {

const wchar_t kBitnessMessage[] = L"Cannot determine whether the OS is 32-bit or 64-bit, please "
                                  L"run the appropriate MSI installation package.";
const wchar_t kPlatformMessage[] = L"This package cannot be installed on Windows on ARM.";
const wchar_t kInitialisationMessage[] =
    L"Cannot initialise the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again.";
const wchar_t kChangedMessage[] =
    L"The installation package has been changed or damaged. Please obtain it again.";
const wchar_t kNewerMessage[] = L"A newer version of this product is already installed.";
const wchar_t kStartMessage[] =
    L"Cannot start the installation!\nPlease copy or extract the installation package to "
    L"another folder first and try again or install from the appropriate MSI in the Package "
    L"folder directly.";

// In a run that nobody attends, a box would wait for ever, or stop a
// deployment that asked for no interface: the exit code tells the outcome
// there instead.
RunOutcome Fail(const RunRequest& request, HWND owner, const wchar_t* text, Outcome outcome) {
    if (request.attended) {
        LogLine("message: ", text);
        MessageBoxW(owner, text, L"Error", MB_OK | MB_ICONWARNING);
    } else {
        LogLine("message, not shown: ", text);
    }
    return RunOutcome{outcome, 0};
}

// What the staging tells as it goes, and what ends it early: the progress
// window, where a person waits for the installer, and the end of the
// session, which the run answers before Windows ends the process.
class RunStaging : public StagingProgress, public SessionEndHandler {
  public:
    RunStaging(ProgressWindow* window, StagingFolderHold& hold, StagedFilesLock& lock)
        : window_(window), hold_(hold), lock_(lock) {}

    bool Advance(unsigned long long bytes) override {
        if (window_ != nullptr && !window_->Advance(bytes)) {
            return false;
        }
        AnswerSentMessages();
        return !sessionEnded_;
    }
    void SessionEnds() override {
        if (sessionEnded_) {
            return;
        }
        sessionEnded_ = true;
        LogLine("the session ends");
        if (installing_) {
            // The installer may still read the copies.
            hold_.ScheduleTree();
            LogLine("staging folder goes at the restart");
            return;
        }
        // The staging that was interrupted reads nothing staged any more:
        // every Advance from here on stops it.
        lock_.Release();
        // What stays of it the removal logs itself.
        hold_.DeleteTree();
        LogLine("the staging stopped");
    }
    void Installing() {
        installing_ = true;
    }
    bool SessionEnded() const {
        return sessionEnded_;
    }
    bool Cancelled() const {
        return window_ != nullptr && window_->Cancelled();
    }

  private:
    ProgressWindow* window_;
    StagingFolderHold& hold_;
    StagedFilesLock& lock_;
    bool installing_ = false;
    bool sessionEnded_ = false;
};

// Whether a copy stopped because the Windows Temp could take no more: a
// short write without an error is what a full disk gives too.
bool TempFull(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ||
           error == ERROR_WRITE_FAULT;
}

// Stages the MSI and every cabinet, each locked as soon as it is made, and
// checks them against the seal of a sealed launcher, telling staging as it
// goes: InstallerEnded when the installer may start on them, else why not.
Outcome StagePackage(const std::wstring& sourceFolder, const std::wstring& stagingFolder,
                     const std::wstring& msiName, StagedFilesLock& lock, RunStaging& staging) {
    SealVerdict verdict = SealVerdict::Intact;
    std::vector<std::wstring> cabinets;
    std::vector<std::wstring> leftOut;
    if (!CopyPackageFile(sourceFolder, stagingFolder, msiName, lock, &staging) ||
        !CabinetsToStage(sourceFolder, stagingFolder, msiName, cabinets, leftOut) ||
        !CopyPackageFiles(sourceFolder, stagingFolder, cabinets, lock, &staging)) {
        verdict = SealVerdict::Incomplete;
    } else if (g_packageSealed) {
        verdict = VerifyStagedFiles(lock, msiName, leftOut, &staging);
    }
    if (staging.SessionEnded()) {
        return Outcome::SessionEnded;
    }
    if (staging.Cancelled()) {
        return Outcome::DialogCancelled;
    }
    switch (verdict) {
    case SealVerdict::Intact:
        return Outcome::InstallerEnded;
    case SealVerdict::Changed:
        return Outcome::PackageChanged;
    default:
        return TempFull(g_lastError) ? Outcome::TempFull : Outcome::PackageNotStaged;
    }
}

// The installer's log beside the launcher's, unless the arguments name one,
// or leave a quote open that would swallow the log switch.
std::wstring InstallerLog(const LauncherArguments& arguments) {
    if (NamesInstallerLog(arguments)) {
        return std::wstring();
    }
    if (arguments.quoteLeftOpen) {
        LogLine("no installer log: a quote is open");
        return std::wstring();
    }
    return CreateInstallerLog();
}

// What the product installed from another package asks of the installer's
// command, as the log tells it; productCode receives the staged package's.
UpdateCase ChooseUpdate(const LauncherArguments& arguments, const std::wstring& msiPath,
                        std::wstring& productCode) {
    PackageFacts staged;
    ReadPackageFacts(msiPath, staged);
    productCode = staged.productCode;
    LogLine("product: ", staged.productCode);
    LogLine("staged: ", staged.version);
    LogLine("staged: ", staged.packageCode);
    InstalledFacts installed[kInstallContexts];
    const int count = ReadInstalledFacts(staged.productCode, installed);
    for (int product = 0; product < count; ++product) {
        LogLine("installed: ", installed[product].version, ", context ",
                installed[product].context);
        LogLine("installed: ", installed[product].packageCode);
    }
    const UpdateCase update = ChooseUpdateCase(staged, installed, count, AsksForRemoval(arguments),
                                               SetsReinstall(arguments));
    LogLine(UpdateCaseText(update));
    return update;
}

// The language of the installation, or else of the user interface.
LANGID RunLanguage(const std::wstring& languageName) {
    const Main::Language* language = g_languageList.FindLanguageByName(languageName);
    return language != nullptr ? static_cast<LANGID>(language->languageId)
                               : g_languageList.uiLanguage;
}

} // namespace

RunOutcome RunInstallation(const RunRequest& request, HWND owner,
                           const std::wstring& languageName) {
    const HINSTANCE module = request.module;
    USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    USHORT nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    if (!QueryMachines(processMachine, nativeMachine)) {
        return Fail(request, owner, kBitnessMessage, Outcome::BitnessUnknown);
    }
    wchar_t machines[32] = {};
    wsprintfW(machines, L"process %04X, native %04X", processMachine, nativeMachine);
    LogLine("machines: ", machines);
    const std::wstring launcherFolder = GetModuleDirectory();
    if (g_lastError != 0) {
        return Fail(request, owner, kInitialisationMessage, Outcome::PackageNotStaged);
    }
    const std::wstring sourceFolder = launcherFolder + L"Package\\";
    const std::wstring packageName = LoadResourceString(module, IDS_PACKAGE_NAME);
    const PackageChoice package =
        ChoosePackage(processMachine, nativeMachine,
                      IsFile(sourceFolder + PackageFileName(packageName, PackageChoice::Arm64)));
    if (package == PackageChoice::None) {
        return Fail(request, owner, kPlatformMessage, Outcome::PlatformUnsupported);
    }
    const std::wstring msiName = PackageFileName(packageName, package);
    LogLine("package: ", (sourceFolder + msiName).c_str());
    const std::wstring transform = g_languageList.FindTransformByName(languageName);
    StagingFolderHold hold;
    const std::wstring stagingFolder = CreateStagingDirectory(hold);
    if (stagingFolder.empty()) {
        LogError("no staging folder: ", g_lastError);
        return Fail(request, owner, kInitialisationMessage, Outcome::NoStagingFolder);
    }
    LogLine("staging folder: ", stagingFolder.c_str());
    // The installer reads the staged copies elevated: they stay locked until
    // it has ended, so that nobody changes them.
    StagedFilesLock lock(hold.Security());
    // Where the installer will show itself, a person waits for it meanwhile.
    const bool showProgress = request.stationSeen && InstallerShowsInterface(request.arguments);
    ProgressWindow progress(module, owner, ChooseProgressTexts(RunLanguage(languageName)),
                            showProgress ? PackageBytes(sourceFolder, msiName, L"*.cab") *
                                               (g_packageSealed ? 2 : 1)
                                         : 0);
    RunStaging staging(showProgress ? &progress : nullptr, hold, lock);
    const SessionWatch session(module, staging);
    const Outcome staged = StagePackage(sourceFolder, stagingFolder, msiName, lock, staging);
    progress.Close();
    UpdateCase update = UpdateCase::AsIs;
    std::wstring productCode;
    if (staged == Outcome::InstallerEnded) {
        // From here on the copies are the installer's: the end of the
        // session only schedules them.
        staging.Installing();
        update = ChooseUpdate(request.arguments, stagingFolder + msiName, productCode);
    } else if (staged != Outcome::SessionEnded) {
        LogError("staging stopped: ", g_lastError);
    }
    // The session may have ended since the staging did.
    const Outcome ready = staging.SessionEnded()                 ? Outcome::SessionEnded
                          : update == UpdateCase::NewerInstalled ? Outcome::NewerInstalled
                                                                 : staged;
    DWORD installerExitCode = 0;
    const InstallerRun installer =
        ready == Outcome::InstallerEnded
            ? LaunchMsiexec(ComposeMsiexecCommandLine(request.arguments, stagingFolder + msiName,
                                                      transform, InstallerLog(request.arguments),
                                                      update, productCode),
                            installerExitCode)
            : InstallerRun::NotStarted;
    if (installer != InstallerRun::NotStarted) {
        KeepMediumAsSource(stagingFolder, launcherFolder);
    }
    if (installer == InstallerRun::EndUnknown) {
        // The installer may still read the copies: they go at the next restart.
        hold.ScheduleTree();
        LogLine("staging folder goes at the restart");
        return RunOutcome{Outcome::InstallerEnded, ERROR_INSTALL_FAILURE};
    }
    // Whatever happened, the copy goes, unless the session ended: then what
    // is left of it stays, scheduled, where only administrators reach, until
    // the restart removes it. The installer's own outcome is its business.
    lock.Release();
    if (!staging.SessionEnded() && hold.DeleteTree()) {
        LogLine("staging folder removed");
    }
    if (ready == Outcome::DialogCancelled || ready == Outcome::SessionEnded) {
        return RunOutcome{ready, 0};
    }
    if (ready != Outcome::InstallerEnded) {
        return Fail(request, owner,
                    ready == Outcome::PackageChanged   ? kChangedMessage
                    : ready == Outcome::NewerInstalled ? kNewerMessage
                                                       : kInitialisationMessage,
                    ready);
    }
    if (installer == InstallerRun::NotStarted) {
        return Fail(request, owner, kStartMessage, Outcome::InstallerNotStarted);
    }
    return RunOutcome{Outcome::InstallerEnded, installerExitCode};
}
