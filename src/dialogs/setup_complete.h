#pragma once
// The completion page, with the sponsor header and the browser-restart
// question.
#include "base/resource_ids.h"
#include "dialogs/classic_page.h"
#include "dialogs/idialog.h"
#include "dialogs/setup_complete_data.h"

class CSetupComplete : public ClassicPage, public IDialog {
public:
    enum : int { IDD = IDD_SETUP_COMPLETE };
    explicit CSetupComplete(SetupCompleteData& data);
    ~CSetupComplete() override;
    INT_PTR showModal() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void initDialog();
    void keepRestartRowBelowVerifyText();
    INT_PTR paint(HDC dc, HWND control);
    void close();

    SetupCompleteData& data_;
    bool sponsorHeader_ = false;
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
};
