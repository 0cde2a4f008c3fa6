#pragma once
// The closing pages after a successful interactive install.
#include <string>

struct SetupCompleteData {
    bool showBack = false;
    bool showVerify = false;
    bool securityText = false;
};

void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerify, bool securityText);
void ProcessSetupCompleteData(const SetupCompleteData& data, const std::string& method);
void FinishUIInstallationWithSecurityPrompts(const std::string& installDir, bool showVerifyPage, bool securityText,
                                             const std::string& method);
