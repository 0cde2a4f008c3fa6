#pragma once
// Turns the installer's messages into progress reports.
#include "msi/action.h"

class InstallCallback : public msi::Callback {
public:
    void onMessage(unsigned type, unsigned flags, const std::string& text) override;
};
