#pragma once
// The classic pages the main flow shows. Result codes: 1 go on, 2 cancel, 1029 back.
#include <string>

#include "base/win.h"
#include "dialogs/change_folder.h"
#include "dialogs/setup_progress_dialog.h"
#include "dialogs/welcome_dialog.h"

class InstallConfigData;
struct SetupCompleteData;

class CSetupCompleteError {
public:
    explicit CSetupCompleteError(int result) : result_(result) {}
    INT_PTR DoModal();

private:
    int result_;
};

class CSetupComplete {
public:
    explicit CSetupComplete(SetupCompleteData& data) : data_(data) {}
    INT_PTR DoModal();

private:
    SetupCompleteData& data_;
};
