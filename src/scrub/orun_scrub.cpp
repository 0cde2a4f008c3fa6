#include "scrub/orun_scrub.h"

#include <memory>

#include "base/bounded_call.h"
#include "base/maker_addresses.h"
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
