#include "launcher/post_install.h"

// The closing pages and the deployment library's answers come later; for now
// there is nothing to show and nothing to apply.

void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerify, bool securityText) {
    data.showBack = showBack;
    data.showVerify = showVerify;
    data.securityText = securityText;
}

void ProcessSetupCompleteData(const SetupCompleteData& /*data*/, const std::string& /*method*/) {}

void FinishUIInstallationWithSecurityPrompts(const std::string& /*installDir*/, bool /*showVerifyPage*/,
                                             bool /*securityText*/, const std::string& /*method*/) {}
