#include "scrub/run_sequence.h"

namespace qscrub {
// No removal pages yet: nothing found, nothing removed.
OrunScrubPingData runSequence() { return OrunScrubPingData(); }
}  // namespace qscrub
