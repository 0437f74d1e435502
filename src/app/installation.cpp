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
#include "staging/copy.h"
#include "staging/folder.h"
#include "staging/last_error.h"
#include "staging/places.h"
#include "ui/progress_window.h"
#include "ui/session_end.h"

namespace {

// Tells the outcome's message, if it has one. In a run that nobody attends,
// a box would wait for ever, or stop a deployment that asked for no
// interface: the exit code tells the outcome there instead.
RunOutcome Tell(const RunRequest& request, HWND owner, const RunOutcome& run) {
    const wchar_t* const text = OutcomeMessage(run.outcome);
    if (text != nullptr && request.attended) {
        LogLine("message: ", text);
        MessageBoxW(owner, text, L"Error", MB_OK | MB_ICONWARNING);
    } else if (text != nullptr) {
        LogLine("message, not shown: ", text);
    }
    return run;
}

// What the staging tells as it goes, and what ends it early: the progress
// window, where a person waits for the installer, and the end of the
// session, which the run answers before Windows ends the process.
class RunStaging : public StagingProgress, public SessionEndHandler {
  public:
    // showProgress: whether the progress window may show, for totalBytes.
    RunStaging(HINSTANCE module, HWND owner, ProgressTexts texts, bool showProgress,
               unsigned long long totalBytes, StagingFolderHold& hold, StagedFilesLock& lock)
        : window_(module, owner, texts, totalBytes, *this), showProgress_(showProgress),
          hold_(hold), lock_(lock) {}

    bool Advance(unsigned long long bytes) override {
        if (showProgress_ && !window_.Advance(bytes)) {
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
        return showProgress_ && window_.Cancelled();
    }
    // Before the installer shows its own.
    void CloseProgress() {
        window_.Close();
    }

  private:
    ProgressWindow window_;
    bool showProgress_;
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
// goes.
StagingResult StagePackage(MsiLibrary& msi, const std::wstring& sourceFolder,
                           const std::wstring& stagingFolder, const std::wstring& msiName,
                           StagedFilesLock& lock, RunStaging& staging) {
    SealVerdict verdict = SealVerdict::Intact;
    std::vector<std::wstring> cabinets;
    std::vector<std::wstring> leftOut;
    if (!CopyPackageFile(sourceFolder, stagingFolder, msiName, lock, &staging) ||
        !CabinetsToStage(sourceFolder, stagingFolder, msiName, msi, cabinets, leftOut) ||
        !CopyPackageFiles(sourceFolder, stagingFolder, cabinets, lock, &staging)) {
        verdict = SealVerdict::Incomplete;
    } else if (g_packageSealed) {
        verdict = VerifyStagedFiles(lock, msiName, leftOut, &staging);
    }
    if (staging.SessionEnded()) {
        return StagingResult::SessionEnded;
    }
    if (staging.Cancelled()) {
        return StagingResult::Cancelled;
    }
    switch (verdict) {
    case SealVerdict::Intact:
        return StagingResult::Staged;
    case SealVerdict::Changed:
        return StagingResult::Changed;
    default:
        return TempFull(g_lastError) ? StagingResult::TempFull : StagingResult::Incomplete;
    }
}

// The installer's log beside the launcher's, unless the arguments name one,
// or leave a quote open that would swallow the log switch.
std::wstring InstallerLog(const RunRequest& request) {
    if (NamesInstallerLog(request.arguments) || request.logs == nullptr) {
        return std::wstring();
    }
    if (request.arguments.quoteLeftOpen) {
        LogLine("no installer log: a quote is open");
        return std::wstring();
    }
    return request.logs->CreateInstallerLog();
}

// What the product installed from another package asks of the installer's
// command, as the log tells it; productCode receives the staged package's.
UpdateCase ChooseUpdate(MsiLibrary& msi, const LauncherArguments& arguments,
                        const std::wstring& msiPath, std::wstring& productCode) {
    PackageFacts staged;
    ReadPackageFacts(msi, msiPath, staged);
    productCode = staged.productCode;
    LogLine("product: ", staged.productCode);
    LogLine("staged: ", staged.version);
    LogLine("staged: ", staged.packageCode);
    InstalledFacts installed[kInstallContexts];
    const int count = ReadInstalledFacts(msi, staged.productCode, installed);
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

// Where the package lies on the medium, and which MSI is this machine's.
struct MediumPackage {
    std::wstring launcherFolder;
    std::wstring sourceFolder; // the medium's "Package\"
    std::wstring msiName;
};

// Finds this machine's MSI on the medium; false, with failure, where there
// is none or it cannot be told.
bool LocatePackage(HINSTANCE module, MediumPackage& package, StagingResult& failure) {
    USHORT processMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    USHORT nativeMachine = IMAGE_FILE_MACHINE_UNKNOWN;
    if (!QueryMachines(processMachine, nativeMachine)) {
        failure = StagingResult::BitnessUnknown;
        return false;
    }
    wchar_t machines[32] = {};
    wsprintfW(machines, L"process %04X, native %04X", processMachine, nativeMachine);
    LogLine("machines: ", machines);
    package.launcherFolder = GetModuleDirectory();
    if (g_lastError != 0) {
        failure = StagingResult::NoLauncherFolder;
        return false;
    }
    package.sourceFolder = package.launcherFolder + L"Package\\";
    const std::wstring packageName = LoadResourceString(module, IDS_PACKAGE_NAME);
    const PackageChoice choice = ChoosePackage(
        processMachine, nativeMachine,
        IsFile(package.sourceFolder + PackageFileName(packageName, PackageChoice::Arm64)));
    if (choice == PackageChoice::None) {
        failure = StagingResult::NoPackageForMachine;
        return false;
    }
    package.msiName = PackageFileName(packageName, choice);
    LogLine("package: ", (package.sourceFolder + package.msiName).c_str());
    return true;
}

} // namespace

RunOutcome RunInstallation(const RunRequest& request, HWND owner, const Main::Language* language) {
    MediumPackage package;
    StagingResult staged = StagingResult::Staged;
    if (!LocatePackage(request.module, package, staged)) {
        return Tell(request, owner,
                    ChooseRunOutcome(staged, false, false, InstallerRun::NotStarted, 0));
    }
    const std::wstring& sourceFolder = package.sourceFolder;
    const std::wstring& msiName = package.msiName;
    StagingFolderHold hold;
    const std::wstring stagingFolder = CreateStagingDirectory(hold);
    if (stagingFolder.empty()) {
        LogError("no staging folder: ", g_lastError);
        return Tell(request, owner,
                    ChooseRunOutcome(StagingResult::NoStagingFolder, false, false,
                                     InstallerRun::NotStarted, 0));
    }
    LogLine("staging folder: ", stagingFolder.c_str());
    // The installer reads the staged copies elevated: they stay locked until
    // it has ended, so that nobody changes them.
    StagedFilesLock lock(hold.Security());
    // Where the installer will show itself, a person waits for it meanwhile.
    const bool showProgress = request.stationSeen && InstallerShowsInterface(request.arguments);
    // In the language of the installation, or else of the user interface.
    const LANGID progressLanguage = language != nullptr ? static_cast<LANGID>(language->languageId)
                                                        : request.languages->uiLanguage;
    RunStaging staging(request.module, owner, ChooseProgressTexts(progressLanguage), showProgress,
                       showProgress ? PackageBytes(sourceFolder, msiName, L"*.cab") *
                                          (g_packageSealed ? 2 : 1)
                                    : 0,
                       hold, lock);
    const SessionWatch session(request.module, staging);
    staged = StagePackage(*request.msi, sourceFolder, stagingFolder, msiName, lock, staging);
    staging.CloseProgress();
    UpdateCase update = UpdateCase::AsIs;
    std::wstring productCode;
    if (staged == StagingResult::Staged) {
        // From here on the copies are the installer's: the end of the
        // session only schedules them.
        staging.Installing();
        update =
            ChooseUpdate(*request.msi, request.arguments, stagingFolder + msiName, productCode);
    } else if (staged != StagingResult::SessionEnded) {
        LogError("staging stopped: ", g_lastError);
    }
    // The session may have ended since the staging did.
    const bool sessionEnded = staging.SessionEnded();
    const bool newer = update == UpdateCase::NewerInstalled;
    DWORD installerExitCode = 0;
    const InstallerRun installer =
        staged == StagingResult::Staged && !newer && !sessionEnded
            ? LaunchMsiexec(ComposeMsiexecCommandLine(request.arguments, stagingFolder + msiName,
                                                      language != nullptr ? language->transform
                                                                          : std::wstring(),
                                                      InstallerLog(request), update, productCode),
                            installerExitCode)
            : InstallerRun::NotStarted;
    if (installer != InstallerRun::NotStarted) {
        KeepMediumAsSource(*request.msi, stagingFolder, package.launcherFolder);
    }
    if (installer == InstallerRun::EndUnknown) {
        // The installer may still read the copies: they go at the next restart.
        hold.ScheduleTree();
        LogLine("staging folder goes at the restart");
    } else {
        // Whatever happened, the copy goes, unless the session ended: then
        // what is left of it stays, scheduled, where only administrators
        // reach, until the restart removes it. The installer's own outcome
        // is its business.
        lock.Release();
        if (!staging.SessionEnded() && hold.DeleteTree()) {
            LogLine("staging folder removed");
        }
    }
    return Tell(request, owner,
                ChooseRunOutcome(staged, newer, sessionEnded, installer, installerExitCode));
}
