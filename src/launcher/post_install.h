#pragma once
// The closing pages after a successful interactive install, and what the
// launcher does with the user's answers on them.
#include <string>
#include <vector>

#include "dialogs/idialog.h"
#include "dialogs/setup_complete_data.h"

// Fills the completion page's record: the package's restart markers, and
// whether the page mentions the verification page.
void InitSetupCompleteData(SetupCompleteData& data, bool showBack, bool showVerify, bool securityText);
// Restarts the browser or clears the restart markers, and opens the
// verification page when the page said so.
void ProcessSetupCompleteData(const SetupCompleteData& data, const std::string& method);
// The current version's installation folder, or empty.
std::string GetDefaultOVXInstallLocation();
// Walks the pages: Next forwards, Back backwards, Cancel ends; it ends when
// the index leaves the list.
void ShowDialogs(const std::vector<IDialog*>& pages);
// Clears (ticked) or keeps and marks reviewed (not ticked) the user's
// remembered security decisions through the deployment library.
void ProcessRestoreSecurityData(const std::string& installDir, bool restore);
// Asks the installed runtime which closing pages to show, shows them, then
// applies the user's choices.
void FinishUIInstallationWithSecurityPrompts(const std::string& installDir, bool showVerifyPage, bool securityText,
                                             const std::string& method);
