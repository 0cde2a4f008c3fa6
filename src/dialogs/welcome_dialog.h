#pragma once
// The welcome page: the licence is accepted with Install; the box asks
// for the destination page.
#include "base/resource_ids.h"
#include "dialogs/classic_page.h"

// Asks whether to cancel the installation (IDS_CANCEL_QUESTION, IDS_SETUP_CAPTION); true only for Yes.
bool ConfirmCancelSetup(HWND owner);
// "InstallStatus" = "decline" under HKLM SOFTWARE\OrunSoft, for the package
// and the status report; failures are ignored.
void WriteDeclinedStatus();

class CWelcomeDialog : public ClassicPage {
public:
    enum : int { IDD = IDD_WELCOME };
    // Whether the "Change destination folder" box starts ticked.
    explicit CWelcomeDialog(bool changeFolder);
    ~CWelcomeDialog() override;
    // After the page closed: whether the box was ticked when Install was pressed.
    bool changeFolder() const { return changeFolder_; }

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void initDialog();

    bool changeFolder_;
};
