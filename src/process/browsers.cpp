#include "process/browsers.h"

#include "base/sys_info.h"

bool isNotNativeX64() { return !SysInfo::isX64() || SysInfo::isWow64(); }
