// One installation run: stage, check, start the installer, clean up.
#include "app/installation.h"
#include "app/cleanup.h"
#include "app/launch_mode.h"
#include "app/log_files.h"
#include "app/msiexec_command.h"
#include "app/package_choice.h"
#include "base/file_attributes.h"
#include "base/run_log.h"
#include "language/language_list.h"
#include "msi/cabinet_choice.h"
#include "msi/product_update.h"
#include "staging/copy.h"
#include "staging/folder.h"
#include "staging/last_error.h"
#include "staging/places.h"
#include "staging/seal.h"
#include "ui/progress_window.h"
#include "ui/session_end.h"

namespace {

// What the staging tells as it goes, and what ends it early: the progress
// window, where a person waits for the installer, and the end of the
// session, which the run answers before Windows ends the process.
class RunStaging : public StagingProgress, public SessionEndHandler {
  public:
    // showProgress: whether the progress window may show, for totalBytes.
    RunStaging(const RunRequest& request, HWND owner, ProgressTexts texts, bool showProgress,
               unsigned long long totalBytes, const RunStagingFolder& folder)
        : request_(request), window_(request.module, owner, texts, totalBytes, *this),
          showProgress_(showProgress), folder_(folder) {}

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
        // An interrupted staging reads nothing staged any more (every Advance
        // from here on stops it); a started installer may still read it all.
        End(installing_ ? InstallerRun::EndUnknown : InstallerRun::NotStarted);
    }
    // From here on the copies are the installer's.
    void Installing() {
        installing_ = true;
    }
    // Ends the staging once, by the one policy (app/cleanup.h).
    void End(InstallerRun installer) {
        if (!ended_) {
            ended_ = true;
            EndStaging(request_, folder_, installer);
        }
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
    const RunRequest& request_;
    ProgressWindow window_;
    bool showProgress_;
    RunStagingFolder folder_;
    bool installing_ = false;
    bool sessionEnded_ = false;
    bool ended_ = false;
};

// Where the package lies on the medium, and which MSI is this machine's.
struct MediumPackage {
    std::wstring launcherFolder;
    std::wstring sourceFolder; // the medium's "Package\"
    std::wstring msiName;
};

// Stages the MSI and every cabinet, each locked as soon as it is made, and
// checks them against the seal of a sealed launcher, telling staging as it
// goes.
StagingResult StagePackage(MsiLibrary& msi, const MediumPackage& package,
                           const std::wstring& stagingFolder, StagedFilesLock& lock,
                           RunStaging& staging) {
    SealVerdict verdict = SealVerdict::Incomplete;
    std::vector<std::wstring> cabinets;
    std::vector<std::wstring> leftOut;
    if (CopyPackageFile(package.sourceFolder, stagingFolder, package.msiName, lock, &staging) &&
        CabinetsToStage(package.sourceFolder, stagingFolder, package.msiName, lock, msi, cabinets,
                        leftOut) &&
        CopyPackageFiles(package.sourceFolder, stagingFolder, cabinets, lock, &staging)) {
        verdict = g_packageSealed ? VerifyStagedFiles(lock, package.msiName, leftOut, &staging)
                                  : SealVerdict::Intact;
    }
    return JudgeStaging(staging.SessionEnded(), staging.Cancelled(), verdict, g_lastError);
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
UpdateCase ChooseUpdate(MsiLibrary& msi, const RunRequest& request, const std::wstring& msiPath,
                        std::wstring& productCode) {
    ProductFacts facts;
    ReadProductFacts(msi, msiPath, facts);
    productCode = facts.staged.productCode;
    LogLine("product: ", facts.staged.productCode);
    LogLine("staged: ", facts.staged.version);
    LogLine("staged: ", facts.staged.packageCode);
    for (int product = 0; product < facts.installedCount; ++product) {
        LogLine("installed: ", facts.installed[product].version, ", context ",
                facts.installed[product].context);
        LogLine("installed: ", facts.installed[product].packageCode);
    }
    const UpdateCase update =
        ChooseUpdateCase(facts, RemovesProduct(request.action), SetsReinstall(request.arguments));
    LogLine(UpdateCaseText(update));
    return update;
}

// Finds this machine's MSI on the medium; false, with failure, where there
// is none or it cannot be told.
bool LocatePackage(const RunRequest& request, MediumPackage& package, StagingResult& failure) {
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
    const PackageChoice choice = ChoosePackage(
        processMachine, nativeMachine,
        IsFile(package.sourceFolder + PackageFileName(request.packageName, PackageChoice::Arm64)));
    if (choice == PackageChoice::None) {
        failure = StagingResult::NoPackageForMachine;
        return false;
    }
    package.msiName = PackageFileName(request.packageName, choice);
    LogLine("package: ", (package.sourceFolder + package.msiName).c_str());
    return true;
}

// A run that stages nothing ends with what staging came to.
RunOutcome EndedUnstaged(const RunRequest& request, HWND owner, const std::wstring& launcherFolder,
                         StagingResult staged) {
    EndStaging(request, RunStagingFolder{std::wstring(), launcherFolder}, InstallerRun::NotStarted);
    RunOutcome run = ChooseRunOutcome(staged, false, false, InstallerRun::NotStarted, 0);
    run.stagingEnded = true;
    return Tell(request, owner, run);
}

} // namespace

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

RunOutcome RunInstallation(const RunRequest& request, HWND owner, const Main::Language* language) {
    MediumPackage package;
    StagingResult staged = StagingResult::Staged;
    if (!LocatePackage(request, package, staged)) {
        return EndedUnstaged(request, owner, package.launcherFolder, staged);
    }
    StagingFolderHold hold;
    const std::wstring stagingFolder = CreateStagingDirectory(hold, request.token);
    if (stagingFolder.empty()) {
        LogError("no staging folder: ", g_lastError);
        return EndedUnstaged(request, owner, package.launcherFolder,
                             StagingResult::NoStagingFolder);
    }
    LogLine("staging folder: ", stagingFolder.c_str());
    // The installer reads the staged copies elevated: they stay locked until
    // it has ended, so that nobody changes them.
    StagedFilesLock lock(hold.Security());
    // Where the installer will show itself, a person waits for it meanwhile.
    const bool showProgress = MayShowProgress(request.stationSeen, request.arguments);
    // In the language of the installation, or else of the user interface.
    const LANGID progressLanguage = language != nullptr ? static_cast<LANGID>(language->languageId)
                                                        : request.languages->uiLanguage;
    RunStaging staging(request, owner, ChooseProgressTexts(progressLanguage), showProgress,
                       showProgress
                           ? PackageBytes(package.sourceFolder, package.msiName, L"*.cab") *
                                 (g_packageSealed ? 2 : 1)
                           : 0,
                       RunStagingFolder{stagingFolder, package.launcherFolder, &hold, &lock});
    const SessionWatch session(request.module, staging);
    staged = StagePackage(*request.msi, package, stagingFolder, lock, staging);
    staging.CloseProgress();
    UpdateCase update = UpdateCase::AsIs;
    std::wstring productCode;
    if (staged == StagingResult::Staged && TakesUpdateDecision(request.action)) {
        update = ChooseUpdate(*request.msi, request, stagingFolder + package.msiName, productCode);
    } else if (staged != StagingResult::Staged && staged != StagingResult::SessionEnded) {
        LogError("staging stopped: ", g_lastError);
    }
    // The session may have ended since the staging did.
    const bool sessionEnded = staging.SessionEnded();
    const bool newer = update == UpdateCase::NewerInstalled;
    DWORD installerExitCode = 0;
    InstallerRun installer = InstallerRun::NotStarted;
    if (MayStartInstaller(staged, newer, sessionEnded)) {
        staging.Installing();
        installer =
            LaunchMsiexec(ComposeMsiexecCommandLine(
                              request.arguments, request.action, stagingFolder + package.msiName,
                              language != nullptr ? language->transform : std::wstring(),
                              InstallerLog(request), update, productCode),
                          installerExitCode);
    }
    staging.End(installer);
    RunOutcome run = ChooseRunOutcome(staged, newer, sessionEnded, installer, installerExitCode);
    run.stagingEnded = true;
    return Tell(request, owner, run);
}
