#include "progress/install_callback.h"

#include "base/tstrings.h"
#include "base/win.h"
#include "progress/operation.h"

InstallCallback::InstallCallback()
    : actions_{{"CostInitialize.", 1}, {"InstallInitialize.", 2}, {"CreateFolders.", 3}} {}

void InstallCallback::onMessage(unsigned type, unsigned /*flags*/, const std::string& text) {
    if (dispatchWindowMessages_) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (type != INSTALLMESSAGE_ACTIONSTART) return;
    // "Action 4:21:23: CostInitialize. Computing space requirements": the
    // third token is the action's name with its full stop.
    tokens_.clear();
    tstrings::split(text, " ", tokens_);
    if (tokens_.size() < 3) return;
    const auto action = actions_.find(tokens_[2]);
    if (action == actions_.end()) return;
    ClientOperation client;
    client.post(action->second, Operation::Started);
}
