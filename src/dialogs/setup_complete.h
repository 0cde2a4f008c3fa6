#pragma once
// The completion page (117), with the sponsor header and the browser-restart
// question.
#include "dialogs/classic_page.h"
#include "dialogs/idialog.h"
#include "dialogs/setup_complete_data.h"

class CSetupComplete : public ClassicPage, public IDialog {
public:
    enum : int { IDD = 117 };
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
