#include "product/installed_ovx.h"

#include <stdexcept>

#include "base/report.h"
#include "base/source_location.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {
[[noreturn]] void wrongValueError(const char* what, int value) {
    throw QDS_ERROR(std::runtime_error(std::string(what) + ": " + std::to_string(value)));
}
}  // namespace

void detectOrun(int type, int bitness, std::vector<InstalledOvx>& out) {
    if (type != OVX_RUNTIMES && type != OVX_KITS) wrongValueError("unexpected type", type);
    if (bitness != 32 && bitness != 64) wrongValueError("unexpected arch", bitness);
    const Registry& root = bitness == 32 ? Registry::hklm32 : Registry::hklm64;
    const char* baseName = type == OVX_RUNTIMES ? kRuntimesKey : kKitsKey;
    if (!root.exists(baseName)) return;
    const Registry base(root, baseName);
    for (const std::string& name : base.getSubkeyNames()) {
        if (name.size() <= 3) continue;  // family keys such as 1.8
        try {
            const Registry entry(base, name);
            InstalledOvx record;
            record.home = entry.getString("OrunHome");
            std::string versionText = name;
            record.isStatic = type == OVX_KITS;
            if (entry.exists("MSI")) {
                const Registry msi(entry, "MSI");
                const std::string full = msi.getString("FullVersion", "");
                if (!full.empty()) versionText = full;
                record.isStatic = type == OVX_KITS || tstrings::equals(msi.getString("MODE", ""), "S", true);
            }
            record.version = RuntimeVersion(versionText);
            record.isOvx = type == OVX_RUNTIMES;
            record.bitness = bitness;
            record.kind = type == OVX_RUNTIMES ? "ovx" : "odk";
            out.push_back(record);
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
        } catch (...) {
            REPORT_UNKNOWN_EXCEPTION();
        }
    }
}

std::vector<InstalledOvx> enumerateInstalledOvx(unsigned flags) {
    std::vector<InstalledOvx> list;
    auto view = [&](int bitness) {
        if (flags & OVX_ENUM_RUNTIMES) detectOrun(OVX_RUNTIMES, bitness, list);
        if (flags & OVX_ENUM_KITS) detectOrun(OVX_KITS, bitness, list);
    };
    if (flags & OVX_ENUM_VIEW32) view(32);
    if ((flags & OVX_ENUM_VIEW64) && SysInfo::isX64()) view(64);
    return list;
}

namespace OrunEnvironment {
std::vector<InstalledOvx> installedOvx(int bitness) {
    if (bitness == 32) return enumerateInstalledOvx(OVX_ENUM_VIEW32 | OVX_ENUM_RUNTIMES);
    if (bitness == 64) return enumerateInstalledOvx(OVX_ENUM_VIEW64 | OVX_ENUM_RUNTIMES);
    throw QDS_ERROR(std::runtime_error("unexpected arch: " + std::to_string(bitness)));
}
}  // namespace OrunEnvironment

std::optional<InstalledOvx> findInstalledOvx(const std::vector<InstalledOvx>& list, const std::string& versionText) {
    const RuntimeVersion wanted = withoutBuild(RuntimeVersion(versionText));
    for (const InstalledOvx& record : list) {
        if (withoutBuild(record.version).components() == wanted.components()) return record;
    }
    return std::nullopt;
}

std::optional<InstalledOvx> newestInstalledOvx(const std::vector<InstalledOvx>& list) {
    std::optional<InstalledOvx> newest;
    for (const InstalledOvx& record : list) {
        if (!newest || newest->version < record.version ||
            (newest->version == record.version && record.bitness < newest->bitness)) {
            newest = record;
        }
    }
    return newest;
}

