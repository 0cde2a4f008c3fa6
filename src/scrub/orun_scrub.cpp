#include "scrub/orun_scrub.h"

#include <memory>

#include "base/bounded_call.h"
#include "base/logger.h"
#include "base/maker_addresses.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "net/http_connection.h"
#include "net/service_timeout.h"
#include "scrub/latest_version.h"

namespace qscrub {

std::string fetchLatestVersionDocument() {
    // Shared with the request's thread, which may outlive a wait that gave up.
    auto document = std::make_shared<std::string>();
    const std::string address = maker::kLatestVersionUrl;
    callWithin(kServiceTimeoutMs, "The latest-version document " + address, [address, document] {
        HttpConnection connection(address);
        connection.userAgent = "OrunScrub";
        connection.timeoutMs = kServiceTimeoutMs;
        // GET, https only and no dialogs: the connection's defaults.
        connection.connect(true).saveToString(*document);
    });
    return *document;
}

}  // namespace qscrub

std::vector<qscrub::InstalledVersion> OrunScrub::findOutOfDateVersions(const std::string& installingVersion) {
    const qscrub::FamilyTable table = qscrub::parseLatestVersionDocument(qscrub::fetchLatestVersionDocument());
    // Parsed before the registry is read: a bad text fails before any work.
    const RuntimeVersion installing(installingVersion);
    return qscrub::selectOutOfDateVersions(table, installing.text(), qscrub::QCleaner::collectInstalledVersions());
}

bool OrunScrub::uninstallOVXVersion(const std::string& versionText, bool is64, int* exitCode) {
    int local = 0;
    int& code = exitCode ? *exitCode : local;
    const int bitness = is64 ? 64 : 32;
    if (qscrub::QCleaner::uninstall(versionText, bitness, code)) {
        LOG_INFO(tstrings::format("%s %dbit successfully uninstalled", versionText.c_str(), bitness));
        return true;
    }
    const std::string what = tstrings::format("Failed to uninstall %s %dbit", versionText.c_str(), bitness);
    LOG_ERROR(tstrings::format("%s failed with %s", what.c_str(), formatSystemError(static_cast<unsigned long>(code), nullptr).c_str()));
    return false;
}
