#include "progress/install_callback.h"

// The progress mailbox comes with the progress page; until then the messages
// are left to the installer.
void InstallCallback::onMessage(unsigned /*type*/, unsigned /*flags*/, const std::string& /*text*/) {}
