#pragma once
// Turns three of the installer's own action starts into Started reports on the
// operation mailbox, as the package's custom actions do for theirs.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "msi/action.h"

class InstallCallback : public msi::Callback {
public:
    InstallCallback();
    void onMessage(unsigned type, unsigned flags, const std::string& text) override;

    // The installer holds the main thread for the whole installation; the
    // progress page's window lives on it, so its messages are dispatched at
    // every message of the installer.
    void setDispatchWindowMessages(bool dispatch) { dispatchWindowMessages_ = dispatch; }

private:
    std::vector<std::string> tokens_;
    std::map<std::string, std::uint32_t> actions_;
    bool dispatchWindowMessages_ = false;
};
