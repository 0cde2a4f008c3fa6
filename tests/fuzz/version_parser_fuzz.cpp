// libFuzzer target: the version parsers over arbitrary bytes. Besides the
// sanitizers, it checks the parsers' contracts and that a parsed runtime
// version survives its own text form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "version/orun_version.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// maxCount: the runtime parser counts up to six parts (a qualifier between
// update and build) in five components.
template <class P>
void runParser(const std::string& text, std::size_t capacity, std::size_t maxCount) {
    int destination[8] = {};
    std::size_t count = capacity;
    const std::size_t unrecognised = P()(text, destination, count);
    check(unrecognised <= text.size());
    check(count <= maxCount);
}

void checkRuntimeVersion(const std::string& text) {
    RuntimeVersion v;
    try {
        v.init(text);
    } catch (const std::runtime_error&) {
        return;
    }
    check(v[0] > 0 && v[1] > 0 && v[2] >= 0 && v[3] >= 0 && v[4] >= 0);
    // Qualifiers drop out of the text form, the components stay.
    check(RuntimeVersion(OrunVersionDetails::toString(v.components())) == v);
    const RuntimeVersion noBuild = withoutBuild(v);
    for (int i = 0; i < 4; ++i) check(noBuild[i] == v[i]);
    check(noBuild[4] == 0);
    const RuntimeFamilyVersion family = familyVersion(v);
    check(family[0] == v[0] && family[1] == v[1] && family[2] == 0);
    getProductDisplayName(v, 64);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    runParser<OrunVersionDetails::Parser>(text, 5, 6);
    runParser<OrunVersionDetails::Parser>(text, 8, 6);
    runParser<VersionDetails::Parser>(text, 1, 1);
    runParser<VersionDetails::Parser>(text, 4, 4);
    checkRuntimeVersion(text);
    try {
        RuntimeFamilyVersion family(text);
    } catch (const std::runtime_error&) {
    }
    try {
        DottedVersion dotted(text);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
