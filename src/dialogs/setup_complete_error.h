#pragma once
// The error page (118) after a failed installation, with the installer's code.
#include "dialogs/classic_page.h"

class CSetupCompleteError : public ClassicPage {
public:
    enum : int { IDD = 118 };
    explicit CSetupCompleteError(int result);
    ~CSetupCompleteError() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    int result_;
};
