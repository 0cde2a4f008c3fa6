#pragma once
// Which installed runtimes are out of date, by the maker's latest-version
// document downloaded at the start of the removal.
#include <string>
#include <vector>

#include "scrub/qcleaner.h"

namespace qscrub {

// The document, downloaded once (https only, user agent "OrunScrub", status
// 200, at most 1 MB). Raises HttpConnection's errors, and CallTimedOut when
// the server does not answer within the bound of the maker's services.
std::string fetchLatestVersionDocument();

}  // namespace qscrub

class OrunScrub {
public:
    // The installed runtimes that the downloaded document finds out of date,
    // sorted by version, with their preselected bits. installingVersion is the
    // version being installed ("1.9.0"), which is never listed. Raises the
    // download's and the version parser's errors.
    static std::vector<qscrub::InstalledVersion> findOutOfDateVersions(const std::string& installingVersion);
    // Removes one runtime through the Windows Installer; logs either way.
    // exitCode, when given, receives the uninstaller's result.
    static bool uninstallOVXVersion(const std::string& versionText, bool is64, int* exitCode = nullptr);
};
