#pragma once
// The closing pages after a successful interactive install, and what the
// launcher does with the user's answers on them.
#include <string>

#include "dialogs/setup_complete_data.h"

// Fills the completion page's record: the package's restart markers, and
// whether the page mentions the verification page.
void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerify, bool securityText);
// Restarts the browser or clears the restart markers, and opens the
// verification page when the page said so.
void ProcessSetupCompleteData(const SetupCompleteData& data, const std::string& method);
void FinishUIInstallationWithSecurityPrompts(const std::string& installDir, bool showVerifyPage, bool securityText,
                                             const std::string& method);
