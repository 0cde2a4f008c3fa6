#pragma once
// The out-of-date runtime removal offered after an interactive install.
#include "scrub/scrub_ping_data.h"

namespace qscrub {
OrunScrubPingData runSequence();  // never throws
}
