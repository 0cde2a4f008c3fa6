#include "base/os_version.h"

int osVersionClassOf(unsigned major, unsigned minor) {
    if (major > 6) return 6;
    if (major == 6) return minor >= 4 ? 6 : 2 + static_cast<int>(minor);
    if (major == 5 && minor >= 1) return 1;
    return 0;
}

std::string osNameOf(unsigned major, unsigned minor, bool workstation, unsigned servicePackMajor) {
    std::string name;
    switch (osVersionClassOf(major, minor)) {
        case 0: name = "win32"; break;
        case 1: name = workstation ? "winxp" : "win2003"; break;
        case 2: name = workstation ? "winvista" : "winlong"; break;
        case 3: name = workstation ? "win7" : "win2008R2"; break;
        case 4: name = workstation ? "win8" : "win2012"; break;
        case 5: name = workstation ? "win81" : "win2012R2"; break;
        default: name = std::to_string(major) + "." + std::to_string(minor); break;
    }
    if (servicePackMajor != 0) name += "-sp" + std::to_string(servicePackMajor);
    return name;
}
