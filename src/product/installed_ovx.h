#pragma once
// The runtimes and development kits registered by earlier installs.
#include <optional>
#include <string>
#include <vector>

#include "version/orun_version.h"

struct InstalledOvx {
    bool isOvx = true;  // false for a development kit
    int bitness = 64;   // the registry view it was found in
    std::string kind;   // "ovx" or "odk"
    RuntimeVersion version;
    std::string home;
    bool isStatic = false;  // every kit, and a runtime whose MODE is "S"
};

enum OvxDetectType { OVX_RUNTIMES = 0, OVX_KITS = 1 };

// Flags of the enumeration.
enum OvxEnumFlags : unsigned {
    OVX_ENUM_RUNTIMES = 0x01,
    OVX_ENUM_KITS = 0x02,
    OVX_ENUM_VIEW32 = 0x10,
    OVX_ENUM_VIEW64 = 0x20,  // only on a 64-bit system
};

// Appends the records of one type found in one view; an entry that cannot be
// read is reported and skipped.
void detectOrun(int type, int bitness, std::vector<InstalledOvx>& out);
// 32-bit runtimes, 32-bit kits, 64-bit runtimes, 64-bit kits, as the flags select.
std::vector<InstalledOvx> enumerateInstalledOvx(unsigned flags);

namespace OrunEnvironment {
// The runtimes of one view (32 or 64).
std::vector<InstalledOvx> installedOvx(int bitness);
}  // namespace OrunEnvironment

// The first record whose version without build equals the given one's.
std::optional<InstalledOvx> findInstalledOvx(const std::vector<InstalledOvx>& list, const std::string& versionText);
// The greatest version; between equal versions the smaller bitness.
std::optional<InstalledOvx> newestInstalledOvx(const std::vector<InstalledOvx>& list);
