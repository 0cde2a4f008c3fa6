#include "launcher/post_install.h"

#include "base/logger.h"
#include "base/maker_addresses.h"
#include "base/resource_ids.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "base/win.h"
#include "dialogs/plugin_dialog.h"
#include "dialogs/restore_security_dialog.h"
#include "dialogs/setup_complete.h"
#include "launcher/existing_install.h"
#include "net/net_utils.h"
#include "process/browsers.h"
#include "product/deploy_lib_loader.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
// The age in days of the remembered decisions that the library considers.
const int kDecisionDays = 30;

bool restartMarkerFound(const char* name) {
    char value[1024] = {};
    DWORD size = sizeof(value);
    return GetRegValueOfStringType(name, value, kOrunSoftKey, &size) != 0;
}

void deleteRestartMarkers(const SetupCompleteData& data) {
    if (!data.restartIE && !data.restartFirefox) return;
    Registry key;
    if (key.tryOpen(Registry::hklm, kOrunSoftKey, KEY_SET_VALUE) != ERROR_SUCCESS) return;
    if (data.restartIE) key.deleteValue("IERESTART");
    if (data.restartFirefox) key.deleteValue("FIREFOXRESTART");
}
}  // namespace

void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerify, bool securityText) {
    data = SetupCompleteData();
    data.restartBrowser = true;
    data.showBack = showBack;
    data.showSecurityText = securityText;
    const bool is32Bit = isNotNativeX64();
    if (restartMarkerFound("FIREFOXRESTART") && is32Bit) {
        data.restartFirefox = true;
        LOG_INFO("The Firefox browser restart flag is set");
    }
    if (restartMarkerFound("IERESTART") && is32Bit) {
        data.restartIE = true;
        LOG_INFO("The IE browser restart flag is set");
    }
    if (data.restartFirefox || data.restartIE) {
        LOG_INFO("The browser restart flag is set for the final dialog");
        data.showRestartBox = true;
        showVerify = false;
    }
    if (!is32Bit) {
        LOG_INFO("The installer is 64 bit online, set bShowVerifyPage = FALSE");
        showVerify = false;
    }
    if (!NetUtils::isConnected()) {
        LOG_INFO("Internet Connection not available");
        showVerify = false;
    }
    if (showVerify) {
        LOG_INFO("Verify page will be displayed, so show text");
        data.bShowVerifyPage = true;
    }
}

void ProcessSetupCompleteData(const SetupCompleteData& data, const std::string& method) {
    QDS_TRACE_FUNCTION("ProcessSetupCompleteData");
    if (data.showRestartBox && data.restartBrowser) {
        LOG_INFO("The installer will restart browser");
        BrowserRestart();
    } else {
        deleteRestartMarkers(data);
    }
    if (!data.bShowVerifyPage) return;
    const std::string name = tstrings::toLower(method);
    if (name == "qchrome") {
        LaunchChrome();
    } else if (name == "qxpi") {
        LaunchFirefox();
    } else if (name == "qcab") {
        LaunchIE();
    } else {
        browsers::launchDefault(maker::kVerificationPageUrl);
    }
}

std::string GetDefaultOVXInstallLocation() {
    char home[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!FindOrunHome(home, size)) {
        LOG_ERROR("Cannot determine OrunHome");
        return std::string();
    }
    return std::string(home, size);
}

namespace {
// Which closing pages the installed runtime asks for; a failure of the library
// leaves both flags as they are.
void askDeployLibrary(const std::string& home, bool& pluginDisabled, bool& previousDecisions) {
    try {
        DeployLibLoader deploy(home);
        pluginDisabled = deploy.QueryDeployForUserStatus(DeployLibLoader::userWebOrunStatus, 0) == 0;
        DeployLibLoader::LogResult(pluginDisabled, "isOrunPluginDisabled");
        previousDecisions =
            deploy.QueryDeployForUserStatus(DeployLibLoader::userPreviousDecisionsExist, kDecisionDays) == 1;
        DeployLibLoader::LogResult(previousDecisions, "isPreviousSecurityDecisionsExist");
    } catch (const std::exception& e) {
        LOG_ERROR("DeployLibLoaderError in DeployLibLoader constructor " << e.what());
    }
}
}  // namespace

void ShowDialogs(const std::vector<IDialog*>& pages) {
    int index = 0;
    while (index >= 0 && index < static_cast<int>(pages.size())) {
        LOG_INFO(tstrings::format("ShowDialogs: pane index is %d", index));
        const INT_PTR result = pages[index]->showModal();
        if (result == IDOK) {
            ++index;
        } else if (result == IDC_BACK) {
            --index;
        } else if (result == IDCANCEL) {
            LOG_INFO("Cancel is pushed, exit ShowDialogs");
            break;
        } else if (result == -1) {
            // Showing it again would fail again, without end.
            LOG_ERROR("The page could not be shown, exit ShowDialogs");
            break;
        }
    }
}

void ProcessRestoreSecurityData(const std::string& installDir, bool restore) {
    QDS_TRACE_FUNCTION("ProcessRestoreSecurityData");
    try {
        DeployLibLoader deploy(installDir);
        if (restore) {
            LOG_INFO("Checkbox for restoreSecurityPrompts is selected. Calling deploy to "
                     "doClearUserPreviousDecisions...");
            const int answer = deploy.QueryDeployForUserStatus(DeployLibLoader::clearUserPreviousDecisions,
                                                               kDecisionDays);
            DeployLibLoader::LogResult(answer == 1, "doClearUserPreviousDecisions");
        } else {
            LOG_INFO("Checkbox for restoreSecurityPrompts is NOT selected. Calling deploy to "
                     "doResetUserPreviousDecisions...");
            const int answer = deploy.QueryDeployForUserStatus(DeployLibLoader::resetUserPreviousDecisions, 0);
            DeployLibLoader::LogResult(answer == 1, "doResetUserPreviousDecisions");
        }
    } catch (const std::exception& e) {
        LOG_ERROR("DeployLibLoaderError in DeployLibLoader constructor " << e.what());
    }
}

void FinishUIInstallationWithSecurityPrompts(const std::string& installDir, bool showVerifyPage, bool securityText,
                                             const std::string& method) {
    QDS_TRACE_FUNCTION("FinishUIInstallationWithSecurityPrompts");
    const std::string home = installDir.empty() ? GetDefaultOVXInstallLocation() : installDir;

    bool pluginDisabled = false;
    bool previousDecisions = false;
    // Without a folder there is nothing to load; its error is already logged.
    if (!home.empty()) askDeployLibrary(home, pluginDisabled, previousDecisions);

    SetupCompleteData data;
    InitSetupCompleteData(data, pluginDisabled || previousDecisions, pluginDisabled ? false : showVerifyPage,
                          securityText);

    COrunPluginDialog plugin;
    RestoreSecurityData restoreData;
    restoreData.showBack = pluginDisabled;
    CRestoreSecurityDialog restore(restoreData);
    CSetupComplete complete(data);
    std::vector<IDialog*> pages;
    if (pluginDisabled) {
        LOG_INFO("Adding OrunPlugin pane. It will be shown.");
        pages.push_back(&plugin);
    }
    if (previousDecisions) {
        LOG_INFO("Adding  RestoreSecurity pane. It will be shown.");
        pages.push_back(&restore);
    }
    pages.push_back(&complete);
    LOG_INFO("The installer will display the Setup Complete dialog");
    ShowDialogs(pages);
    LOG_INFO("The Setup Complete dialog is closed");

    if (previousDecisions) ProcessRestoreSecurityData(home, restoreData.restore);
    ProcessSetupCompleteData(data, method);
}
