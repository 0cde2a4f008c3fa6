#pragma once
// The out-of-date runtime removal offered after an interactive install.
#include <string>
#include <utility>
#include <vector>

class OrunScrubPingData {
public:
    bool empty() const { return installed_.empty() && kept_.empty() && uninstalled_.empty() && !isDRS_ && !ignoredByUser_; }

private:
    std::vector<std::string> installed_;
    std::vector<std::string> kept_;
    std::vector<std::pair<std::string, int>> uninstalled_;
    bool isDRS_ = false;
    bool ignoredByUser_ = false;
};

namespace qscrub {
OrunScrubPingData runSequence();  // never throws
}
