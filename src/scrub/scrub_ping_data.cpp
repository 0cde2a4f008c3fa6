#include "scrub/scrub_ping_data.h"

#include <algorithm>

#include "base/logger.h"

namespace qscrub {

namespace {
std::string displayName(const InstalledVersion& v) { return getProductDisplayName(v.version, v.arch); }
}  // namespace

bool sameVersion(const InstalledVersion& a, const InstalledVersion& b) {
    return a.arch == b.arch && a.version == b.version;
}

std::string formatVersionEntry(int code, const InstalledVersion& version) {
    return "unovx~" + std::to_string(code) + "~" + version.version.text() + ":" + (version.arch == 32 ? "32" : "64") +
           ";";
}

std::string formatStatusEntry(const std::string& status) { return "uninstaller~" + status + "~XX"; }

}  // namespace qscrub

using qscrub::InstalledVersion;

namespace {
// Codes of the version entries that are not an uninstall's exit code.
const int kSecureCode = -22;
const int kKeptCode = -20;
}  // namespace

OrunScrubPingData::OrunScrubPingData(const std::vector<InstalledVersion>& installed, const InstalledVersion& current) {
    LOG_TRACE("OrunScrubPingData: excluding current version " << qscrub::displayName(current));
    for (const InstalledVersion& version : installed) {
        if (!qscrub::sameVersion(version, current)) addAvailableVersion(version);
    }
}

void OrunScrubPingData::addAvailableVersion(const InstalledVersion& version) {
    LOG_INFO("OrunScrubPingData: Adding available Version: " << qscrub::displayName(version));
    available_.push_back(version);
}

void OrunScrubPingData::addKeptVersion(const InstalledVersion& version) {
    LOG_INFO("OrunScrubPingData: Adding kept Version: " << qscrub::displayName(version));
    kept_.push_back(version);
}

void OrunScrubPingData::addUninstalledVersion(const InstalledVersion& version, int exitCode) {
    LOG_INFO("OrunScrubPingData: Adding Uninstall result for Version: " << qscrub::displayName(version)
                                                                         << "; exitCode is " << exitCode);
    uninstalled_.push_back({version, exitCode});
}

void OrunScrubPingData::setIsDRS(bool value) {
    LOG_INFO("OrunScrubPingData: Setting isDrs to: " << (value ? "1" : "0"));
    isDRS_ = value;
}

void OrunScrubPingData::setIsIgnoredByUser(bool value) {
    LOG_INFO("OrunScrubPingData: Setting isIgnoredByUser to: " << (value ? "1" : "0"));
    isIgnoredByUser_ = value;
}

std::vector<InstalledVersion> OrunScrubPingData::calculateSecureVersions() const {
    std::vector<InstalledVersion> secure;
    for (const InstalledVersion& version : available_) {
        const auto same = [&](const InstalledVersion& other) { return qscrub::sameVersion(version, other); };
        if (std::any_of(kept_.begin(), kept_.end(), same)) continue;
        if (std::any_of(uninstalled_.begin(), uninstalled_.end(),
                        [&](const qscrub::UninstalledVersion& u) { return same(u.version); })) {
            continue;
        }
        LOG_INFO("OrunScrubPingData: Adding secure Version: " << qscrub::displayName(version));
        secure.push_back(version);
    }
    return secure;
}

std::string OrunScrubPingData::createUninstallPing() const {
    if (available_.empty()) return std::string();
    if (isDRS_) {
        LOG_INFO("DRS file is found on machine");
        return qscrub::formatStatusEntry("ua102");
    }
    const std::vector<InstalledVersion> secure = calculateSecureVersions();
    LOG_INFO("1: " << secure.size());
    std::string text;
    for (const InstalledVersion& version : secure) text += qscrub::formatVersionEntry(kSecureCode, version);
    for (const InstalledVersion& version : kept_) text += qscrub::formatVersionEntry(kKeptCode, version);

    if (!isIgnoredByUser_ && (kept_.empty() || !uninstalled_.empty())) {
        LOG_INFO("Some OVXs were uninstalled");
        bool anyFailed = false;
        for (const qscrub::UninstalledVersion& attempt : uninstalled_) {
            text += qscrub::formatVersionEntry(attempt.exitCode, attempt.version);
            anyFailed = anyFailed || attempt.exitCode != 0;
        }
        text += qscrub::formatStatusEntry(anyFailed ? "ua500" : "ua100");
    } else {
        LOG_INFO("User cancelled ovx uninstallation");
        text += qscrub::formatStatusEntry("ua101");
    }
    return text;
}
