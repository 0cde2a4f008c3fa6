#include "process/browsers.h"

#include "base/win.h"

#include <shellapi.h>

#include <stdexcept>

#include "base/file_utils.h"
#include "base/logger.h"
#include "base/sys_error.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "process/executor.h"

namespace browsers {

std::string getDefaultBrowserPath() {
    // The program the shell would open an .html file with.
    const std::string probe = FileUtils::createTempFile("qds", "html", SysInfo::getTempDir());
    char path[MAX_PATH] = {};
    const HINSTANCE found = FindExecutableA(probe.c_str(), nullptr, path);
    const DWORD error = GetLastError();
    FileUtils::tryDeleteFile(probe);
    if (reinterpret_cast<INT_PTR>(found) > 32) return path;
    const DWORD code = reinterpret_cast<INT_PTR>(found) == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : error;
    LOG_ERROR(tstrings::format("%s failed with %s", "FindExecutable", describeSystemError(code, nullptr).c_str()));
    throw std::runtime_error("cannot find default browser");
}

bool launchDefault(const std::string& address) {
    try {
        if (Executor::ExecProcessAsDesktopUser(getDefaultBrowserPath(), address) != 0) {
            throw std::runtime_error("execAsDesktopUser failed");
        }
        return true;
    } catch (const std::exception& e) {
        LOG_ERROR(e.what());
        return false;
    }
}

}  // namespace browsers
