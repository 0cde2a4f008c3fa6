#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "version/orun_version.h"

namespace {

struct Parsed {
    std::vector<int> destination;  // -7: untouched
    std::size_t count;
    std::size_t unrecognised;
    bool operator==(const Parsed&) const = default;
};

template <class P>
Parsed run(const std::string& text, std::size_t capacity) {
    Parsed p{std::vector<int>(capacity, -7), capacity, 0};
    p.unrecognised = P()(text, p.destination.data(), p.count);
    return p;
}

template <class V>
std::string initError(const std::string& text) {
    try {
        V().init(text);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no exception)";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(VersionParsers, ComponentsAreWholeDecimalPieces) {
    EXPECT_EQ(VersionDetails::parseComponent("00"), 0);
    EXPECT_EQ(VersionDetails::parseComponent("2147483647"), 2147483647);
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1a", "0x10", "2147483648"}) {
        try {
            VersionDetails::parseComponent(bad);
            ADD_FAILURE() << "accepted [" << bad << "]";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(contains(e.what(), ") at VersionDetails::parseComponent(): Failed to recognize version component in [" +
                                               std::string(bad) + "]"))
                << e.what();
        }
    }
}

TEST(VersionParsers, DottedCountsWhatItCouldNotRead) {
    using P = VersionDetails::Parser;
    EXPECT_EQ(run<P>("1.2.3.4.5", 4), (Parsed{{1, 2, 3, 4}, 4, 2}));
    EXPECT_EQ(run<P>("1.x", 4), (Parsed{{1, -7, -7, -7}, 1, 1}));
    EXPECT_EQ(run<P>("x.1", 2), (Parsed{{-7, -7}, 0, 3}));
    EXPECT_EQ(run<P>("7.8.9", 1), (Parsed{{7}, 1, 4}));  // no other piece taken: its dot stays
    EXPECT_EQ(run<P>("", 2), (Parsed{{-7, -7}, 0, 0}));
    EXPECT_THROW(run<P>("1", 0), std::length_error);
}

TEST(VersionParsers, RuntimeFormsAndTheirCounts) {
    using P = OrunVersionDetails::Parser;
    const std::pair<const char*, Parsed> cases[] = {
        {"1.9.0-ea-b55", {{1, 9, 0, -7, 55}, 5, 0}},
        {"1.8.0_45-b14", {{1, 8, 0, 45, 14}, 5, 0}},
        {"1.7.0_80", {{1, 7, 0, 80, -7}, 4, 0}},
        {"1.6.0", {{1, 6, 0, -7, -7}, 3, 0}},
        {"1.9.0-ea", {{1, 9, 0, -7, -7}, 4, 0}},
        {"1.8.0_45-ea-b14", {{1, 8, 0, 45, 14}, 6, 0}},  // six parts in five components
        {"1.8.0_45-b00", {{1, 8, 0, 45, -7}, 5, 0}},     // -b00 is a qualifier, not a build
        {"1.8.0_45-b-b114", {{1, 8, 0, 45, 114}, 6, 0}},
        {"1.9.0-b55-ea", {{1, 9, 0, -7, 55}, 4, 3}},  // the build reader runs once
        {"1.9.0-", {{1, 9, 0, -7, -7}, 3, 1}},        // a lone "-" is not consumed
        {"1.9.0--ea", {{1, 9, 0, -7, -7}, 3, 4}},
        {"1.9.0_x", {{1, 9, 0, -7, -7}, 3, 2}},
        {"1.9.x", {{1, 9, -7, -7, -7}, 2, 1}},  // no micro: no suffix reader runs
        {"1.6.0.1", {{1, 6, 0, -7, -7}, 3, 2}},
        {"1.0.1", {{1, -7, -7, -7, -7}, 1, 4}},  // a zero minor: only the major is recognised
        {"0.9", {{-7, -7, -7, -7, -7}, 0, 3}},
        {"9-ea+55", {{-7, -7, -7, -7, -7}, 0, 7}},
        {"1.9", {{1, 9, -7, -7, -7}, 2, 0}},
        {"", {{-7, -7, -7, -7, -7}, 0, 0}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(run<P>(text, 5), expected) << text;
    try {
        run<P>("1.9.0", 4);
        ADD_FAILURE() << "no exception";
    } catch (const std::length_error& e) {
        EXPECT_TRUE(contains(e.what(), ") at OrunVersionDetails::`anonymous-namespace'::parse(): Insufficient size of "
                                       "destination buffer"))
            << e.what();
    }
}

TEST(VersionInstances, InitNeedsACompleteAndLongEnoughText) {
    EXPECT_EQ(RuntimeVersion("1.8.0_45-b14").components(), (std::array<int, 5>{1, 8, 0, 45, 14}));
    EXPECT_EQ(RuntimeVersion("1.8.0_45-b14").text(), "1.8.0_45-b14");
    EXPECT_EQ(RuntimeFamilyVersion("1.8").components(), (std::array<int, 5>{1, 8, 0, 0, 0}));
    EXPECT_EQ(DottedVersion("2.9.00.55").components(), (std::array<int, 4>{2, 9, 0, 55}));

    EXPECT_TRUE(contains(initError<RuntimeVersion>("1.9.0-b55-ea"),
                         ") at VersionDetails::Base<5,struct OrunVersionDetails::Parser,3>::init(): Failed to parse "
                         "[1.9.0-b55-ea] version string completely. Number of unrecognised characters is 3"));
    EXPECT_TRUE(contains(initError<RuntimeVersion>("1.9"), "Failed to parse [1.9] version string. The string is too short"));
    EXPECT_TRUE(contains(initError<DottedVersion>("2.9.0"),
                         ") at VersionDetails::Base<4,struct VersionDetails::Parser,4>::init(): Failed to parse [2.9.0] "
                         "version string. The string is too short"));
    EXPECT_TRUE(contains(initError<RuntimeFamilyVersion>("0.9"), "Base<5,struct OrunVersionDetails::Parser,2>::init()"));
    const std::string tooShort = "Failed to parse [] version string. The string is too short";
    EXPECT_TRUE(contains(initError<RuntimeVersion>(""), tooShort));
    EXPECT_TRUE(contains(initError<RuntimeFamilyVersion>(""), tooShort));
    EXPECT_TRUE(contains(initError<DottedVersion>(""), tooShort));

    RuntimeVersion kept("1.6.0");
    EXPECT_THROW(kept.init("1.x"), std::runtime_error);
    EXPECT_EQ(kept.components(), (std::array<int, 5>{1, 6, 0, 0, 0}));  // unchanged by the failure
    EXPECT_EQ(kept.text(), "1.6.0");
}

TEST(VersionInstances, OrderComponentByComponentIgnoringText) {
    const RuntimeVersion v("1.8.0_45-b14");
    EXPECT_LT(v, RuntimeVersion("1.8.0_51-b16"));
    EXPECT_GT(v, RuntimeVersion("1.8.0_45-b13"));
    EXPECT_LT(RuntimeVersion("1.8.0_99"), RuntimeVersion("1.9.0"));
    EXPECT_EQ(RuntimeVersion("1.9.0-ea"), RuntimeVersion("1.9.0"));
    EXPECT_LT(DottedVersion("2.9.0.55"), DottedVersion("2.10.0.1"));
}

TEST(VersionText, RendersDerivesAndNames) {
    EXPECT_EQ(OrunVersionDetails::toString(1, 8, 0, 5, 13), "1.8.0_05-b13");
    EXPECT_EQ(OrunVersionDetails::toString(1, 6, 0, 0, 0), "1.6.0");
    EXPECT_EQ(OrunVersionDetails::toString(1, 8, -1, -1, -1), "1.8");
    const RuntimeVersion v("1.8.0_45-b14");
    EXPECT_EQ(withoutBuild(v).text(), "1.8.0_45");
    EXPECT_EQ(withoutBuild(v).components(), (std::array<int, 5>{1, 8, 0, 45, 0}));
    EXPECT_EQ(familyVersion(v).text(), "1.8");
    EXPECT_EQ(familyVersion(v).components(), (std::array<int, 5>{1, 8, 0, 0, 0}));
    EXPECT_THROW(withoutBuild(RuntimeVersion()), std::runtime_error);  // "0.0.0" is no runtime version

    const std::tuple<const char*, int, const char*> names[] = {
        {"1.4.2_19-b04", 32, "Orun 2 Runtime Environment, SE v1.4.2_19"},
        {"1.4.2", 64, "Orun 2 Runtime Environment, SE v1.4.2 (64-bit)"},
        {"1.5.0_22", 32, "O2SE Runtime Environment 5.0 Update 22"},
        {"1.6.0_01", 32, "Orun(TM) Runtime Environment 6 Update 1"},
        {"1.6.0_20", 32, "Orun(TM) 6 Update 20"},
        {"1.6.1", 32, "Orun(TM) 6"},
        {"1.7.0_05", 64, "Orun(TM) 7 Update 5 (64-bit)"},
        {"1.7.0_80", 64, "Orun 7 Update 80 (64-bit)"},
        {"1.9.0-ea-b55", 32, "Orun 9"},
    };
    for (const auto& [version, bitness, name] : names) {
        EXPECT_EQ(getProductDisplayName(RuntimeVersion(version), bitness), name) << version;
    }
}
