#pragma once
// The notice (119) that the runtime's browser content is disabled.
#include "dialogs/classic_page.h"
#include "dialogs/idialog.h"

class COrunPluginDialog : public ClassicPage, public IDialog {
public:
    enum : int { IDD = 119 };
    COrunPluginDialog();
    ~COrunPluginDialog() override;
    INT_PTR showModal() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
};
