#pragma once
// The error page (118) after a failed installation, with the installer's code.
#include <string>

#include "dialogs/classic_page.h"

class CSetupCompleteError : public ClassicPage {
public:
    enum : int { IDD = 118 };
    explicit CSetupCompleteError(int result);
    ~CSetupCompleteError() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    // String 3072 with the result code in place of its %d.
    std::wstring codeText() const;
    void initDialog();
    INT_PTR paint(HDC dc, HWND control);

    int result_;
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
};
