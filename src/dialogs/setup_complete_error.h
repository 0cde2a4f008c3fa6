#pragma once
// The error page after a failed installation, with the installer's code.
#include <string>

#include "base/resource_ids.h"
#include "dialogs/classic_page.h"

class CSetupCompleteError : public ClassicPage {
public:
    enum : int { IDD = IDD_SETUP_ERROR };
    explicit CSetupCompleteError(int result);
    ~CSetupCompleteError() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    // IDS_ERROR_CODE_FORMAT with the result code in place of its %d.
    std::wstring codeText() const;
    void initDialog();
    INT_PTR paint(HDC dc, HWND control);

    int result_;
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
};
