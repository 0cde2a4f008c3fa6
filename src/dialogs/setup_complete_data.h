#pragma once
// What the closing sequence tells the completion page, and what the page
// answers (the restart decision).
#include <string>

struct SetupCompleteData {
    bool restartFirefox = false;  // the package's restart markers that were found
    bool restartIE = false;
    bool showBack = false;
    bool bShowVerifyPage = false;  // mention the verification page that will open
    bool showSecurityText = false; // the security level was raised from medium to high
    bool showRestartBox = false;
    bool restartBrowser = true;    // in: the box starts ticked; out: the user's decision
    bool sponsorOffer = false;
    std::string sponsorCode;
};

// The restore-security page's record.
struct RestoreSecurityData {
    bool restore = true;  // in and out: the box state
    bool showBack = false;
};
