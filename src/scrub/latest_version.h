#pragma once
// The maker's latest-version document and the policy it sets: per family of
// runtimes, the latest version, the lowest version that is not out of date
// and the range of versions whose removal is proposed. No Windows API here:
// the download is in orun_scrub.h.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scrub/qcleaner.h"
#include "version/orun_version.h"

struct XmlNode;

namespace qscrub {

// One family's entry, every version parsed.
struct FamilyVersions {
    RuntimeVersion id;
    RuntimeVersion latest;    // default: the id
    RuntimeVersion baseline;  // below it a version is out of date; default: the id
    RuntimeVersion rangeMin;  // the removal range, both ends inside; default: the id
    RuntimeVersion rangeMax;  // default: latest
};

// The same as texts, as the document gives them (defaults applied).
struct FamilyTexts {
    std::string id, latest, baseline, rangeMin, rangeMax;
};

// Keyed by the raw id attribute, compared byte for byte; a later family with
// the same id replaces the earlier one.
using FamilyTable = std::map<std::string, FamilyVersions>;

// False when the element has no child, no attribute or no "id"; otherwise
// the five texts.
bool readFamily(XmlNode* family, FamilyTexts& out);

// Every family of the document. A text that is not XML, or one without
// "ovxVersions" or "family", gives an empty table; a version text that does
// not parse raises the version parser's error.
FamilyTable parseLatestVersionDocument(const std::string& document);

// The family of the version ("1.8.0" for 1.8.0_151), if the table has it.
// Raises the version parser's error for a text it cannot read.
std::optional<FamilyVersions> findFamily(const FamilyTable& table, const std::string& versionText);

// The installed runtimes that are out of date by the table, sorted by version
// (equal versions keep the order of `installed`), each preselected when it lies
// inside its family's removal range. The version being installed and the
// runtimes of families the table does not list are never out of date.
std::vector<InstalledVersion> selectOutOfDateVersions(const FamilyTable& table, const std::string& installingVersion,
                                                      const std::vector<InstalledVersion>& installed);

}  // namespace qscrub
