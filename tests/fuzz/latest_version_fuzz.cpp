// libFuzzer target: the latest-version document over arbitrary bytes, and the
// out-of-date decision made from whatever table it gives. A version text the
// parser refuses is an expected error; anything else must hold the policy's
// contracts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "scrub/latest_version.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const std::vector<qscrub::InstalledVersion>& machine() {
    static const std::vector<qscrub::InstalledVersion> installed = [] {
        std::vector<qscrub::InstalledVersion> list;
        for (const char* text : {"1.8.0_161", "1.8.0_121-b13", "1.7.0_65", "1.9.0-b55", "1.8.0_144", "1.6.0_45", "1.8.0"}) {
            for (int arch : {32, 64}) {
                qscrub::InstalledVersion v;
                v.version = RuntimeVersion(text);
                v.arch = arch;
                list.push_back(v);
            }
        }
        return list;
    }();
    return installed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string document(reinterpret_cast<const char*>(data), size);
    qscrub::FamilyTable table;
    try {
        table = qscrub::parseLatestVersionDocument(document);
    } catch (const std::runtime_error&) {
        return 0;
    }
    const std::vector<qscrub::InstalledVersion> outOfDate = qscrub::selectOutOfDateVersions(table, "1.9.0", machine());
    for (std::size_t i = 0; i < outOfDate.size(); ++i) {
        const qscrub::InstalledVersion& v = outOfDate[i];
        check(!(v.version[0] == 1 && v.version[1] == 9 && v.version[2] == 0 && v.version[3] == 0));
        if (i > 0) check(outOfDate[i - 1].version <= v.version);
        const auto family = qscrub::findFamily(table, v.version.text());
        check(family.has_value());
        check(v.version < family->baseline);
        const bool inside = family->rangeMin <= v.version && v.version <= family->rangeMax;
        check(((v.flags & qscrub::InstalledVersion::preselected) != 0) == inside);
    }
    return 0;
}
