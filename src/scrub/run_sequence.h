#pragma once
// The out-of-date runtime removal offered after an interactive install.
#include <vector>

#include "scrub/qcleaner.h"
#include "scrub/scrub_ping_data.h"

namespace qscrub {

// Finds the out-of-date runtimes and lets the user remove them; the report
// data keeps what it found and did. Never throws.
OrunScrubPingData runSequence();

// The pages from the offer to the result, for the out-of-date list.
void showSequence(const std::vector<InstalledVersion>& outOfDate, OrunScrubPingData& data);

// Where a managed machine keeps its deployment rule set.
std::string deploymentRuleSetPath();

}  // namespace qscrub
