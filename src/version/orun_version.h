#pragma once
// The runtime's own version form: major.minor.micro, an update after "_",
// qualifiers and a build after "-", as in "1.9.0-ea-b55".
#include <array>
#include <cstddef>
#include <string>

#include "version/version_details.h"

namespace OrunVersionDetails {

enum Component : std::size_t { Major = 0, Minor = 1, Micro = 2, Update = 3, Build = 4 };

struct Parser {
    static constexpr const char* typeName = "struct OrunVersionDetails::Parser";

    // count: the destination's capacity on entry (at least 5), the number of
    // recognised parts on return (a qualifier group counts, storing nothing).
    // Returns the number of characters not recognised.
    std::size_t operator()(const std::string& text, int* destination, std::size_t& count) const;
};

// Negative minor or micro and non-positive update or build are left out.
std::string toString(int major, int minor, int micro, int update, int build);
std::string toString(const std::array<int, 5>& components);

}  // namespace OrunVersionDetails

// Every runtime version.
using RuntimeVersion = VersionDetails::Base<5, OrunVersionDetails::Parser, 3>;
// A runtime family: major and minor only.
using RuntimeFamilyVersion = VersionDetails::Base<5, OrunVersionDetails::Parser, 2>;
// Four dotted numbers (the auto-update component).
using DottedVersion = VersionDetails::Base<4, VersionDetails::Parser, 4>;

// The version re-parsed from its text form without the build ("1.8.0_45").
RuntimeVersion withoutBuild(const RuntimeVersion& version);
// Major and minor only ("1.8").
RuntimeFamilyVersion familyVersion(const RuntimeVersion& version);
// The name the release's own installer gave it; bitness 64 adds " (64-bit)".
std::string getProductDisplayName(const RuntimeVersion& version, int bitness);
