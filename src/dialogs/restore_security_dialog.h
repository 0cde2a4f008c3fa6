#pragma once
// The page that offers to restore the hidden security prompts.
#include "base/resource_ids.h"
#include "dialogs/classic_page.h"
#include "dialogs/idialog.h"
#include "dialogs/setup_complete_data.h"

class CRestoreSecurityDialog : public ClassicPage, public IDialog {
public:
    enum : int { IDD = IDD_RESTORE_SECURITY };
    explicit CRestoreSecurityDialog(RestoreSecurityData& data);
    ~CRestoreSecurityDialog() override;
    INT_PTR showModal() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void initDialog();

    RestoreSecurityData& data_;
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
};
