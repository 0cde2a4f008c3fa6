// Stand-ins for the browser launchers until their own implementation is in
// the tree: each logs and does nothing. Plain definitions: MinGW's linker
// resolves no reference to a weak definition that sits in an archive.
#include "base/logger.h"
#include "process/browsers.h"

bool LaunchChrome() {
    LOG_WARNING("LaunchChrome is not available");
    return false;
}

bool LaunchFirefox() {
    LOG_WARNING("LaunchFirefox is not available");
    return false;
}

void LaunchIE() { LOG_WARNING("LaunchIE is not available"); }

bool BrowserRestart() {
    LOG_WARNING("BrowserRestart is not available");
    return false;
}
