#include "launcher/main_flow.h"

#include <commctrl.h>

#include <memory>
#include <optional>

#include "autoupdate/auto_update.h"
#include "base/all_utils.h"
#include "base/background_call.h"
#include "base/file_utils.h"
#include "base/locale.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "config/args_import.h"
#include "config/install_config_data.h"
#include "dialogs/pages.h"
#include "launcher/existing_install.h"
#include "launcher/markers.h"
#include "launcher/payload.h"
#include "launcher/preparation.h"
#include "launcher/post_install.h"
#include "product/product.h"
#include "metrics/install_status.h"
#include "metrics/ovx_metrics.h"
#include "process/browsers.h"
#include "progress/install_callback.h"
#include "scrub/run_sequence.h"

namespace {

// Ends the process at once, without the tail (a cancelled page, a failed
// preparation step); the flag file goes with its handle.
[[noreturn]] void endProcess(UINT code) { ExitProcess(code); }

std::string loadString(HINSTANCE instance, unsigned id, size_t maxChars) {
    std::string text = StringResource(id, instance).string(std::string());
    if (text.size() > maxChars - 1) text.resize(maxChars - 1);
    return text;
}

void deleteStaleBaseImageMarkers() {
    for (int arch : {32, 64}) {
        const std::string marker = FileUtils::combinePath(getPatchCache(arch), "baseimage8");
        if (FileUtils::exists(marker)) FileUtils::deleteFile(marker);
    }
}

// <LocalLow>\Kyn\Orun\ovx1.9.0_x64\ovx1.9.0.msi, each level created on the way.
bool prepareCacheFolder(std::string& packagePath) {
    char appData[MAX_PATH] = {};
    if (!GetUserShellFolder(appData)) return false;
    std::string folder = appData;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& level : {std::string("Kyn"), std::string("Orun"), product::cacheFolderName()}) {
        folder = FileUtils::combinePath(folder, level);
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    packagePath = FileUtils::combinePath(folder, product::packageFileName());
    return true;
}

// The switch values read once from the configuration.
struct Switches {
    bool isStatic = false;
    bool oemUpdate = false;
    bool silent = false;
    bool showVerifyPage = true;
    bool launchedFromOdk = false;
};

// The installed auto-update component's version ("XX": none), asked on a
// thread of its own: the first question to the installer loads it, which the
// configuration and the first page need not wait for. Asked before the
// installer runs (the question sets the installer's user interface for a moment).
class InstalledAuQuery {
public:
    // Only the first call starts the question; it waits for `after` (at most
    // `limitMs`) before it loads the installer.
    void start(HANDLE after = nullptr, DWORD limitMs = 0) {
        HANDLE copy = nullptr;  // its own: the question may outlive the event's owner
        if (after && !query_.started() &&
            DuplicateHandle(GetCurrentProcess(), after, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0)) {
            after_.reset(copy);
        }
        query_.start([this, limitMs] {
            if (after_.valid()) WaitForSingleObject(after_.get(), limitMs);
            const au::InstalledState au = au::InstalledState::detect();
            if (au.valid) text_ = au.text;
        });
    }
    const std::string& version() {
        start();
        settle();
        return text_;
    }
    // Waits for a question already asked: its log lines come before the run's last one.
    void settle() {
        try {
            query_.wait();
        } catch (...) {
        }
    }

private:
    std::string text_ = "XX";
    UniqueHandle after_;
    BackgroundCall query_;
};

// Everything a run keeps between its steps.
struct RunState {
    HINSTANCE instance = nullptr;
    msi::action<msi::install> action;
    std::unique_ptr<InstallCallback> callback;
    std::unique_ptr<InstallConfigData> config;
    Switches switches;
    bool familyUpgrade = false;
    std::string installDir;
    std::string method = "qoff";
    std::string latestOtherVersion;
    InstalledAuQuery installedAu;
    int auStatus = -99;
    DWORD msiStatusError = 0;
    DWORD msiStatusExtendedError = 0;
    int result = 1;
    int fallbackResult = 1;
    OrunScrubPingData scrubData;
    bool scrubRan = false;
    bool commonControlsFailed = false;

    void setResult(int value) { result = fallbackResult = value; }
};

// The first test switch present shows its page alone; true when one did.
bool RunTestSwitches(RunState& run) {
    InstallConfigData& config = *run.config;
    if (config.IsEnabled(cfg::TEST_FINAL_DIALOG)) {
        SetupCompleteData data;
        InitSetupCompleteData(data, true, run.switches.showVerifyPage, true);
        CSetupComplete page(data);
        static_cast<IDialog&>(page).showModal();
        ProcessSetupCompleteData(data, std::string());
        return true;
    }
    if (config.IsEnabled(cfg::TEST_PROGRESS_DIALOG)) {
        CSetupProgressDialog().DoModal();
        return true;
    }
    if (config.IsEnabled(cfg::TEST_WELCOME_DIALOG)) {
        CWelcomeDialog(false).DoModal();
        return true;
    }
    if (config.IsEnabled(cfg::TEST_CHANGE_DIALOG)) {
        // Alone, there is no welcome page to go back to.
        CChangeFolder(config, true).DoModal();
        return true;
    }
    if (config.HasSetting(cfg::nameOf(cfg::TEST_CONFIG_FILE_ERRORS))) {
        const int code = config.GetIntSetting(cfg::TEST_CONFIG_FILE_ERRORS);
        logit("TEST_CONFIG_FILE_ERRORS enabled.");
        logit("Show error " + std::to_string(code));
        ShowConfigErrorMessage(run.instance, config.working(), code, "<path_to_config_file>", false);
        return true;
    }
    return false;
}

void SendReport(RunState& run, int status, bool complete, const std::string& deployStatus) {
    SendHeadRequest(*run.config, run.scrubRan ? &run.scrubData : nullptr, run.latestOtherVersion, status, run.auStatus,
                    run.installedAu.version(), resourceAuVersion(), complete ? run.latestOtherVersion : std::string(),
                    complete ? deployStatus : std::string(), complete ? run.msiStatusError : 0,
                    complete ? run.msiStatusExtendedError : 0);
}

// Welcome and destination-folder pages (interactive only), shown while the
// package is prepared: a way out waits for the package file to be whole.
void RunPages(RunState& run, PackagePreparation& preparation) {
    const bool fromOdk = run.switches.launchedFromOdk;
    bool changeFolder = false;
    auto showWelcome = [&](bool ticked) {
        CWelcomeDialog welcome(ticked);
        if (welcome.DoModal() != IDOK) {
            preparation.waitForPackage();
            run.installedAu.settle();
            CloseInstallFlag();
            LOG_INFO("The user cancelled from Welcome dialog. Exit code: 0");
            endProcess(0);
        }
        changeFolder = welcome.changeFolder();
    };
    if (!fromOdk) showWelcome(false);

    run.action.setProperty("SKIPLICENSE", "1");
    run.action.setProperty("PROG", "0");
    run.action.setProperty("ENDDIALOG", "0");

    while (changeFolder || fromOdk) {
        CChangeFolder page(*run.config, fromOdk);
        const INT_PTR answer = page.DoModal();
        if (answer == IDOK) {
            run.installDir = page.folder().substr(0, MAX_PATH - 1);
            return;
        }
        if (answer == IDC_BACK) {
            showWelcome(true);
            continue;
        }
        run.fallbackResult = -20;
        preparation.waitForPackage();
        preparation.waitForOptions();  // the report goes where the document says
        SendReport(run, -20, false, std::string());
        CloseInstallFlag();
        LOG_INFO("The user cancelled from Change Folder dialog. Exit code: 0");
        endProcess(0);
    }
}

// Steps 15.7 and 15.8: the installer runs, with or without the pages around it.
void RunInstallation(RunState& run, bool securityText) {
    if (run.switches.silent) {
        CreateSilentInstallMarker();
        run.setResult(ExecCommand(run.action));
        return;
    }
    CSetupProgressDialog progress;
    progress.Create(GetDesktopWindow());
    run.callback->setDispatchWindowMessages(true);
    run.setResult(ExecCommand(run.action));
    if (ReadInstallStatusText() == "reinstall") {
        const LONG rc = ClearMSIStatus();
        if (rc != ERROR_SUCCESS) {
            run.setResult(rc);
            logit(tstrings::format("ClearMSIStatus() failed.  Return Code: %d, ErrorCode: %d", static_cast<int>(rc),
                                   static_cast<int>(rc)));
        } else {
            run.msiStatusError = run.msiStatusExtendedError = 0;
            ClearInstallStatus();
            run.setResult(ExecCommand(run.action));
        }
    }
    progress.Hide();
    run.callback->setDispatchWindowMessages(false);
    if (!IsInstallSuccess(run.result)) {
        CSetupCompleteError(run.result).DoModal();
    } else if (!run.switches.launchedFromOdk) {
        run.scrubData = qscrub::runSequence();
        run.scrubRan = true;
        FinishUIInstallationWithSecurityPrompts(run.installDir, run.switches.showVerifyPage, securityText, run.method);
    }
    progress.Destroy();
}

// Clears what this run left in the registry, on every way out of the run.
void ClearRunMarkers() {
    DeleteSilentInstallMarker();
    ClearInstallStatus();
    writePolicyValue("VisitorId", nullptr);
    writePolicyValue("Method", nullptr);
    CloseInstallFlag();
}

// 1 and 2: start-up and the state known before the configuration.
void StartUp(RunState& run, const char* narrowCommandLine) {
    logit("Wrapper begin...");
    LOG_INFO("Running offline OVX wrapper with command line=<" << (narrowCommandLine ? narrowCommandLine : "") << ">");
    SetDllDirectoryA("");
    deleteStaleBaseImageMarkers();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    // Told once the run knows whether it is silent.
    run.commonControlsFailed = !InitCommonControlsEx(&controls);
    run.callback = std::make_unique<InstallCallback>();
    run.action.setCallback(run.callback.get());

    run.familyUpgrade = IsThisAFamilyUpgrade();
    ClearInstallStatus();
    pingValues().country = "YY";
    pingValues().method = run.method;
    GetLatestOvxKey(run.latestOtherVersion);
}

// 3: false when the configuration cannot be loaded (already shown or logged).
bool LoadConfiguration(RunState& run) {
    LOG_TRACE("Wrapper Load ConfigSettings...");
    run.config = std::make_unique<InstallConfigData>(run.instance);
    if (run.config->LoadConfigSettings(GetCommandLineW()) != 0) {
        logit("Error occurred while loading configuration settings. Exiting installer.");
        return false;
    }
    const InstallConfigData& config = *run.config;
    Switches& sw = run.switches;
    sw.isStatic = config.GetBoolSetting(cfg::STATIC_INSTALL) != 0;
    sw.oemUpdate = config.IsEnabled(cfg::OEMUPDATE);
    sw.silent = config.IsSilent();
    sw.showVerifyPage = !config.IsEnabled(cfg::NO_VERIFY);
    sw.launchedFromOdk = config.IsEnabled(cfg::LAUNCHEDFROMODK);
    pingValues().enabled = config.IsEnabled(cfg::WEB_ANALYTICS);
    setSilentRun(sw.silent);
    if (run.commonControlsFailed) showMessageBox(nullptr, "Could not initialize common controls!", "Failure", MB_ICONERROR);
    return true;
}

// 4: the user-interface language.
void ChooseLanguage(RunState& run) {
    const InstallConfigData& config = *run.config;
    Locale locale = Locale::fromPreferredLanguages();
    if (config.HasSetting(cfg::nameOf(cfg::LANG))) {
        try {
            locale = Locale::fromLangId(static_cast<uint16_t>(config.GetIntSetting(cfg::LANG)));
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
        }
    }
    Resource::setUiLanguage(locale.getLangId());
    // The package's language transforms are named by language id.
    if (locale.getLangId() != 1033) run.action.setProperty("TRANSFORMS", ":" + std::to_string(locale.getLangId()));
}

// 5: the values that override the machine's.
void ApplyOverrides(RunState& run) {
    const InstallConfigData& config = *run.config;
    if (config.HasSetting(cfg::nameOf(cfg::COUNTRYOVERRIDE))) {
        writePolicyValue("Country", config.GetStringSettingACP(cfg::COUNTRYOVERRIDE).c_str());
    }
    if (config.HasSetting(cfg::nameOf(cfg::INSTALLDIR))) {
        run.installDir = config.GetStringSettingACP(cfg::INSTALLDIR).substr(0, 2047);
    }
}

INSTALLUILEVEL uiLevelOf(cfg::PackageUi ui) {
    switch (ui) {
        case cfg::PackageUi::Basic: return INSTALLUILEVEL_BASIC;
        case cfg::PackageUi::BasicNoCancel: return static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_BASIC | INSTALLUILEVEL_HIDECANCEL);
        case cfg::PackageUi::Reduced: return INSTALLUILEVEL_REDUCED;
        case cfg::PackageUi::Full: return INSTALLUILEVEL_FULL;
    }
    return INSTALLUILEVEL_NONE;
}

// 7: MSI_CMDLINE, then CMDLINE; the installer's own switches as what the
// installer takes them as, since its property text refuses them (1639).
void SetPackageCommandLine(RunState& run) {
    const InstallConfigData& config = *run.config;
    std::string commandLine;
    if (config.HasSetting(cfg::nameOf(cfg::MSI_CMDLINE))) commandLine = config.GetStringSettingACP(cfg::MSI_CMDLINE);
    if (config.HasSetting(cfg::nameOf(cfg::CMDLINE))) commandLine += " " + config.GetStringSettingACP(cfg::CMDLINE);
    run.action.setCommandLine(commandLine);

    if (config.HasSetting("/norestart")) run.action.setProperty("REBOOT", "ReallySuppress");
    if (const std::optional<cfg::PackageUi>& ui = config.GetPackageUi()) {
        if (run.switches.silent) {
            // A silent run shows no window, the package's included.
            LOG_INFO("Silent run: the package's user interface level stays " << static_cast<int>(run.action.uiLevel()));
        } else {
            run.action.setUiLevel(uiLevelOf(*ui));
            LOG_INFO("Package user interface level: " << static_cast<int>(run.action.uiLevel()));
        }
    }
}

// 8 to 11: what the machine already has. An exit code when the run ends here.
std::optional<int> CheckMachine(RunState& run) {
    const Switches& sw = run.switches;
    if (IsInstallInProgress() && !sw.launchedFromOdk && IsInstallInProgress()) {
        showMessageBox(nullptr, loadString(run.instance, IDS_INSTALL_RUNNING, 1024),
                       loadString(run.instance, IDS_INSTALL_RUNNING_CAPTION, 256), MB_ICONINFORMATION);
        logit("Another Orun installation is in progress. You must complete that installation before you can run this installer.");
        return -1;
    }

    logit("Wrapper, check for reinstall case..");
    const int reinstall = CheckReinstall(sw.isStatic, sw.silent);
    if (reinstall == 0) {
        LOG_INFO("A newer OVX  build already exists. Exit install");
        return 0;
    }
    if (reinstall < 0) return -1;

    if (!isNotNativeX64()) {
        LOG_INFO("The installer is 64 bit, set bShowVerifyPage = FALSE");
        run.switches.showVerifyPage = false;
    }
    if (SysInfo::getOsVersionClass() <= 1) {
        const std::string text = tstrings::format(loadString(run.instance, IDS_NEWER_WINDOWS_NEEDED, 1024).c_str(), "9");
        showMessageBox(nullptr, text, loadString(run.instance, IDS_WARNING_CAPTION, 256), MB_ICONINFORMATION | MB_TASKMODAL);
        logit("This is an unsupported operationg system.");
    }

    if (!sw.launchedFromOdk && !SetInstallFlag()) return -1;
    return std::nullopt;
}

// 12: the package's place in the cache folder; false, with the run's result,
// when there is none or nothing to write there.
bool PreparePackagePlace(RunState& run, std::string& packagePath) {
    if (!prepareCacheFolder(packagePath)) {
        LOG_ERROR("The package cache folder cannot be found. Exiting installer.");
        run.setResult(1603);
        return false;
    }
    run.action.setPackagePath(packagePath);
    run.action.setLogFile(run.config->GetMsiLogFile());
    logit("Wrapper: Extract MSI ...");
    if (!CarriesPayload(run.instance)) {
        LOG_ERROR("This installer carries no runtime package.");
        run.setResult(1);
        return false;
    }
    return true;
}

// 12 to 14: the package and the options document, beside the pages; true when
// the package is written, checked and held in `preparation`.
bool PreparePackageAndPages(RunState& run, PackagePreparation& preparation) {
    if (!run.switches.silent) RunPages(run, preparation);
    preparation.waitForOptions();
    switch (preparation.waitForPackage()) {
        case PayloadResult::Extracted:
            return true;
        case PayloadResult::DigestMismatch:
            run.setResult(ERROR_INSTALL_PACKAGE_INVALID);
            return false;
        case PayloadResult::Missing:
            break;
    }
    LOG_ERROR("This installer carries no runtime package.");
    run.setResult(1);
    return false;
}

// 15: the installer itself.
void Install(RunState& run) {
    run.installedAu.version();
    const LONG cleared = ClearMSIStatus();
    if (cleared != ERROR_SUCCESS) {
        logit(tstrings::format("initial ClearMSIStatus() failed.  Return Code: %d, ErrorCode: %d", static_cast<int>(cleared),
                               static_cast<int>(cleared)));
        CloseInstallFlag();
        endProcess(1603);  // nothing was installed: not a success
    }
    if (!run.installDir.empty()) run.action.setProperty("INSTALLDIR", run.installDir);
    LOG_INFO("MSI command line: " << run.action.getFullCommandLine());
    if (run.config->ExportChanges() != 0) {
        logit("Error occurred while exporting configuration settings. Exiting installer.");
        endProcess(1603);
    }
    bool securityText = false;
    if (run.config->HasSetting(cfg::nameOf(cfg::WEB_ORUN_SECURITY_LEVEL)) &&
        run.config->GetIntSetting(cfg::WEB_ORUN_SECURITY_LEVEL) == 2) {
        logit("WEB_ORUN_SECURITY_LEVEL set to MED/2");
    } else if (run.familyUpgrade) {
        logit("Upgrade install and Security level >2, show the Med->High Security text");
        securityText = true;
    }
    run.msiStatusError = run.msiStatusExtendedError = 0;
    logit("Wrapper: Execute MSI ...");
    RunInstallation(run, securityText);
    if (run.result != 0 && IsInstallSuccess(run.result)) {
        LOG_INFO("The runtime is installed; Windows must restart to complete the installation (" << run.result << ")");
    }
}

// 16: launcher copies, then the settings restored or the auto-update component installed.
void AfterInstallation(RunState& run) {
    FileUtils::deletePersistentFile(SysInfo::getSystem32Dir());
    if (SysInfo::isX64()) FileUtils::deletePersistentFile(SysInfo::getSystemWow64Dir());
    if (IsInstallSuccess(run.result)) {
        run.auStatus = ExtractAndInstallAutoUpdate(run.instance, run.switches.oemUpdate,
                                                   run.config->GetBoolSetting(cfg::AUTO_UPDATE) != 0);
        // Its result goes to the report and the log, never into the exit code.
        LOG_INFO("Auto-update install result: " << run.auStatus);
        return;
    }
    run.config->RestoreBackup();
    const LONG got = GetMSIStatus(run.msiStatusError, run.msiStatusExtendedError);
    if (got != ERROR_SUCCESS) {
        logit(tstrings::format("GetMSIStatus() failed.  Return Code: %d, ErrorCode: %d", static_cast<int>(got),
                               static_cast<int>(got)));
    }
    const LONG cleared = ClearMSIStatus();
    if (cleared != ERROR_SUCCESS) {
        logit(tstrings::format("ClearMSIStatus() after get failed.  Return Code: %d, ErrorCode: %d",
                               static_cast<int>(cleared), static_cast<int>(cleared)));
    }
}

// 17 and 18: the deployment status, the report and the metrics.
void ReportOutcome(RunState& run) {
    SendReport(run, run.result, true, ReadDeployStatus());
    if (run.switches.oemUpdate) RemoveOvxMetrics();
}

int Run(RunState& run, const char* narrowCommandLine) {
    StartUp(run, narrowCommandLine);
    if (!LoadConfiguration(run)) return -80;
    ChooseLanguage(run);
    if (run.config->IsHelpRequested()) {
        ShowSwitchesHelp(run.instance, run.switches.silent);
        return 0;
    }
    ApplyOverrides(run);
    if (RunTestSwitches(run)) return 0;
    SetPackageCommandLine(run);
    if (const std::optional<int> code = CheckMachine(run)) return *code;

    std::string packagePath;
    if (PreparePackagePlace(run, packagePath)) {
        // A person sees the first page before the package is written.
        const bool pages = !run.switches.silent;
        PackagePreparation preparation(run.instance, packagePath, pages);
        auto startBeside = [&preparation, &run] {
            preparation.go();
            // Once the package is hashed, as the options document; every way
            // out from here passes the tail, which waits for the question.
            run.installedAu.start(preparation.hashed(), PackagePreparation::kHashedLimitMs);
        };
        if (pages) {
            DialogBase::whenPainted(startBeside);
        } else {
            startBeside();
        }
        struct PaintedScope {
            ~PaintedScope() { DialogBase::whenPainted(nullptr); }
        } painted;
        if (PreparePackageAndPages(run, preparation)) {
            Install(run);
            preparation.heldPackage().reset();  // the installer has returned
            AfterInstallation(run);
            ReportOutcome(run);
        }
    }

    // 19. Tail
    ClearRunMarkers();
    run.installedAu.settle();
    LOG_INFO("Wrapper exit code: " << run.result);
    return run.result;
}

}  // namespace

int ExecCommand(msi::action<msi::install>& action) {
    writePolicyValue("PostStatusUrl", nullptr);
    try {
        action.execute();
        return 0;
    } catch (const msi::Error& e) {
        REPORT_EXCEPTION(e);
        return static_cast<int>(e.getCode());
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        return 1603;
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
        return 1603;
    }
}

int RunLauncher(HINSTANCE instance, const char* narrowCommandLine) {
    RunState run;
    run.instance = instance;
    try {
        return Run(run, narrowCommandLine);
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    // No marker of this run may outlive it, whatever ended it.
    try {
        ClearRunMarkers();
    } catch (...) {
    }
    run.installedAu.settle();
    LOG_INFO("Wrapper exit code: " << run.fallbackResult);
    return run.fallbackResult;
}
