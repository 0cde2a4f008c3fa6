#pragma once
// The classic pages the main flow shows. Result codes: 1 go on, 2 cancel, 1029 back.
#include <string>

#include "base/win.h"
#include "dialogs/plugin_dialog.h"
#include "dialogs/restore_security_dialog.h"
#include "dialogs/setup_complete.h"
#include "dialogs/setup_complete_error.h"
#include "dialogs/setup_progress_dialog.h"

class InstallConfigData;

class CWelcomeDialog {
public:
    explicit CWelcomeDialog(bool changeFolder) : changeFolder_(changeFolder) {}
    INT_PTR DoModal();
    bool changeFolder() const { return changeFolder_; }

private:
    bool changeFolder_;
};

class CChangeFolder {
public:
    CChangeFolder(InstallConfigData& config, bool launchedFromOdk, const std::string& folder)
        : config_(config), launchedFromOdk_(launchedFromOdk), folder_(folder) {}
    INT_PTR DoModal();
    const std::string& folder() const { return folder_; }

private:
    InstallConfigData& config_;
    bool launchedFromOdk_;
    std::string folder_;
};
