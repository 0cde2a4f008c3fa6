#pragma once
// The destination page: shows the folder the runtime goes to and lets
// the user choose another in the system's folder browser.
#include <string>

#include "base/resource_ids.h"
#include "dialogs/classic_page.h"

class InstallConfigData;

class CChangeFolder : public ClassicPage {
public:
    enum : int { IDD = IDD_CHANGE_FOLDER };
    // The folder is INSTALLDIR of the configuration, else the default under
    // Program Files; `hideBack` when no welcome page came before.
    CChangeFolder(InstallConfigData& config, bool hideBack);
    ~CChangeFolder() override;
    // After the page closed: the chosen folder.
    const std::string& folder() const { return folder_; }

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void initDialog();
    void browse();
    void showFolder(HWND control);
    void finish(INT_PTR code);

    std::string folder_;
    bool hideBack_;
    HFONT normalFont_ = nullptr;
    HFONT smallFont_ = nullptr;
    HFONT boldFont_ = nullptr;
};
