#include "launcher/post_install.h"

#include "base/logger.h"
#include "base/maker_addresses.h"
#include "base/tstrings.h"
#include "base/win.h"
#include "dialogs/setup_complete.h"
#include "net/net_utils.h"
#include "process/browsers.h"
#include "base/sys_info.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
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

void FinishUIInstallationWithSecurityPrompts(const std::string& /*installDir*/, bool showVerifyPage, bool securityText,
                                             const std::string& method) {
    QDS_TRACE_FUNCTION("FinishUIInstallationWithSecurityPrompts");
    // Until the deployment library is queried there are no pages before the
    // completion page: it alone is shown, without Back.
    SetupCompleteData data;
    InitSetupCompleteData(data, false, showVerifyPage, securityText);
    CSetupComplete complete(data);
    IDialog& page = complete;
    LOG_INFO("The installer will display the Setup Complete dialog");
    page.showModal();
    LOG_INFO("The Setup Complete dialog is closed");
    ProcessSetupCompleteData(data, method);
}
