#pragma once
// What the out-of-date removal found and did, and the text of it that the
// install status report sends as "list1".
#include <string>
#include <vector>

#include "scrub/qcleaner.h"

namespace qscrub {

// One uninstall attempt, successful or not.
struct UninstalledVersion {
    InstalledVersion version;
    int exitCode = 0;
};

// The same bitness and all five version components.
bool sameVersion(const InstalledVersion& a, const InstalledVersion& b);

// "unovx~<code>~<version text>:<32|64>;"
std::string formatVersionEntry(int code, const InstalledVersion& version);
// "uninstaller~<status>~XX"
std::string formatStatusEntry(const std::string& status);

}  // namespace qscrub

class OrunScrubPingData {
public:
    // The removal did not run: nothing to report.
    OrunScrubPingData() = default;
    // Every installed runtime but the one being installed becomes available.
    OrunScrubPingData(const std::vector<qscrub::InstalledVersion>& installed, const qscrub::InstalledVersion& current);

    void addAvailableVersion(const qscrub::InstalledVersion& version);
    void addKeptVersion(const qscrub::InstalledVersion& version);
    void addUninstalledVersion(const qscrub::InstalledVersion& version, int exitCode);
    void setIsDRS(bool value);
    void setIsIgnoredByUser(bool value);

    // The available versions that were neither kept nor the subject of an
    // uninstall attempt, in order.
    std::vector<qscrub::InstalledVersion> calculateSecureVersions() const;
    // The report text; empty when no other runtime is installed.
    std::string createUninstallPing() const;

    const std::vector<qscrub::InstalledVersion>& kept() const { return kept_; }
    const std::vector<qscrub::InstalledVersion>& available() const { return available_; }
    const std::vector<qscrub::UninstalledVersion>& uninstalled() const { return uninstalled_; }
    bool isDRS() const { return isDRS_; }
    bool isIgnoredByUser() const { return isIgnoredByUser_; }

private:
    std::vector<qscrub::InstalledVersion> kept_;
    std::vector<qscrub::InstalledVersion> available_;
    std::vector<qscrub::UninstalledVersion> uninstalled_;
    bool isDRS_ = false;
    bool isIgnoredByUser_ = false;
};
