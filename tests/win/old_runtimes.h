#pragma once
// The older runtime packages the build makes for the removal's tests, and the
// latest-version document that finds some of them out of date.
#include <fstream>
#include <string>
#include <vector>

#include "product/registry_places.h"
#include "registry/registry.h"

namespace oldruntimes {

inline const char kDocumentPath[] = "/applet/orunLatestVersion.xml";

// 1.7.0_65 and 1.8.0_144 (both bitnesses) lie in the removal range and are
// preselected; 1.8.0_121 is out of date outside it; 1.8.0_161 is current.
inline const char kDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<ovxVersions>\n"
    "  <family id=\"1.7.0\"><latestVersion>1.7.0_80</latestVersion><baselineVersion>1.7.0_80</baselineVersion></family>\n"
    "  <family id=\"1.8.0\">\n"
    "    <latestVersion>1.8.0_161</latestVersion>\n"
    "    <baselineVersion>1.8.0_151</baselineVersion>\n"
    "    <ranges><range><minVersion>1.8.0_130</minVersion><maxVersion>1.8.0_161</maxVersion></range></ranges>\n"
    "  </family>\n"
    "  <family id=\"1.9.0\"><baselineVersion>1.9.0_20</baselineVersion></family>\n"
    "</ovxVersions>\n";

// One line of the packages' index: "<version> <full version> <arch> <product code>".
struct OldRuntime {
    std::string version, full, code;
    int arch = 0;
    std::string package() const {
        return std::string(OVX_OLD_RUNTIMES) + "/ovx" + version + "_" + std::to_string(arch) + ".msi";
    }
    bool registered() const {
        const Registry& view = arch == 32 ? Registry::hklm32 : Registry::hklm64;
        return view.exists(std::string(kRuntimesKey) + "\\" + version);
    }
};

inline std::vector<OldRuntime> oldRuntimes() {
    std::ifstream index(std::string(OVX_OLD_RUNTIMES) + "/packages.txt");
    std::vector<OldRuntime> list;
    OldRuntime r;
    while (index >> r.version >> r.full >> r.arch >> r.code) list.push_back(r);
    return list;
}

}  // namespace oldruntimes
