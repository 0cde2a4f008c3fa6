#pragma once
// The notice that the runtime's browser content is disabled.
#include "base/resource_ids.h"
#include "dialogs/classic_page.h"
#include "dialogs/idialog.h"

class COrunPluginDialog : public ClassicPage, public IDialog {
public:
    enum : int { IDD = IDD_PLUGIN_DISABLED };
    COrunPluginDialog();
    ~COrunPluginDialog() override;
    INT_PTR showModal() override;

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HFONT normal_ = nullptr;
    HFONT bold_ = nullptr;
};
