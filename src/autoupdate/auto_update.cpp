#include "autoupdate/auto_update.h"

#include <optional>
#include <stdexcept>

#include "autoupdate/au_config.h"
#include "base/file_utils.h"
#include "base/guid.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/sys_error.h"
#include "base/sys_info.h"
#include "base/win_handles.h"
#include "msi/action.h"
#include "msi/error.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {

const char* const kBundledVersion = "2.9.00.55";
// Components from this version on keep their settings in the current layout.
const char* const kMinimumCurrentLayout = "2.8.0.0";
const char* const kPackageType = "ORUN_INSTALLER";

// Writes the carried package to the path and holds it open for reading only
// (no writers, no deleters) until the installer has returned; the bytes are
// compared through that very handle, so a file swapped before it was opened
// is caught too.
UniqueHandle writeHeldPackage(HMODULE module, const std::string& path) {
    const Resource resource(MAKEINTRESOURCEA(IDR_AU_PACKAGE), kPackageType, module);
    size_t size = 0;
    const char* data = static_cast<const char*>(resource.getPtr(size));
    resource.saveAs(path);
    UniqueHandle held(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held.valid()) throw QDS_ERROR(SysError("open package (" + path + ") error", functionAddress(&CreateFileA), GetLastError()));
    if (!FileUtils::holdsExactly(held.get(), data, size)) {
        throw QDS_ERROR(std::runtime_error("The auto-update package file " + path +
                                           " is not the package this installer carries; it will not be installed."));
    }
    return held;
}

}  // namespace

namespace au {

InstalledState initState(const std::string& versionText) {
    InstalledState state;
    try {
        state.version = DottedVersion(versionText);
        state.text = versionText;
        state.valid = true;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    return state;
}

InstalledState InstalledState::detect() {
    try {
        std::string text;
        {
            // The installer's own dialogs stay off while the product is asked.
            const ::msi::InternalUiScope quiet(INSTALLUILEVEL_NONE);
            const ::msi::ProductHandle product = ::msi::openProduct(Guid(kProductCode));
            text = ::msi::getProductProperty(product.get(), "ProductVersion");
        }
        if (!text.empty()) {
            LOG_TRACE("Found AU version in MSI: <" << text << ">");
            const InstalledState state = initState(text);
            if (state.valid) return state;
        }
        text = Registry(Registry::hklm32, kAutoUpdateKey).getString("AUVersion");
        LOG_TRACE("Found AU version in Registry: <" << text << ">");
        return initState(text);
    } catch (...) {
        LOG_TRACE("No Old AU Version found");
        return InstalledState();
    }
}

namespace msi {

int install::operator()() const {
    const InstalledState installed = InstalledState::detect();
    const DottedVersion bundled(kBundledVersion);
    if (installed.valid && !(installed.version < bundled)) {
        LOG_INFO("AU is not upgradable - Installed version (" + installed.text + ")" + " >= the bundled version (" +
                 kBundledVersion + ").");
        return -2;
    }
    std::optional<AuSchedule> schedule;
    int notifyType = 0;
    if (installed.valid) {
        Config old(installed.version < DottedVersion(kMinimumCurrentLayout) ? 0 : 1);
        bool usable = true;
        const AuSchedule found = old.getSchedule(usable);
        if (usable) {
            schedule = found;
        } else {
            LOG_WARNING("Failed to get existing AU schedule setting.");
        }
        notifyType = old.getNotifyType();
        uninstall()();
    }
    doInstall();
    try {
        Config current(1);
        if (schedule) current.setSchedule(*schedule);
        current.setNotifyType(notifyType);
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    return 0;
}

void install::doInstall() const {
    ::msi::action<::msi::install> action;
    action.setPackagePath(packagePath_);
    if (oemUpdate_) action.setProperty("OEMUPDATE", "1");
    if (!enabled_) {
        LOG_TRACE("Auto Update is disabled via configuration settings");
        action.setProperty("DISABLE", "1");
    } else {
        LOG_TRACE("Auto Update is enabled");
    }
    action.execute();
}

void uninstall::operator()() const {
    try {
        const InstalledState installed = InstalledState::detect();
        if (installed.valid && installed.version[0] > 1) ::msi::action<::msi::uninstall>(Guid(kProductCode)).execute();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
}

}  // namespace msi
}  // namespace au

std::string resourceAuVersion() { return kBundledVersion; }

int ExtractAndInstallAutoUpdate(HMODULE module, bool oemUpdate, bool autoUpdateEnabled) {
    int result = -1;
    try {
        const std::string folder = FileUtils::combinePath(SysInfo::getUserAppDataLowDir(), "Velmar\\Orun\\AU");
        FileUtils::createDirectory(folder);
        result = -5;
        const std::string path = FileUtils::combinePath(folder, "au.msi");
        const UniqueHandle held = writeHeldPackage(module, path);
        try {
            result = au::msi::install(path, oemUpdate, autoUpdateEnabled)();
        } catch (const ::msi::Error& e) {
            REPORT_EXCEPTION(e);
            result = e.getCode() != 0 ? static_cast<int>(e.getCode()) : -1;
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
            result = -1;
        }
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    return result;
}
