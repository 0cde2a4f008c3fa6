// The latest-version document and the out-of-date decision made from it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "scrub/latest_version.h"

using qscrub::FamilyTable;
using qscrub::InstalledVersion;
using qscrub::parseLatestVersionDocument;
using qscrub::selectOutOfDateVersions;

namespace {

InstalledVersion installed(const std::string& text, int arch, unsigned flags = 0) {
    InstalledVersion v;
    v.version = RuntimeVersion(text);
    v.arch = arch;
    v.flags = flags;
    return v;
}

std::string document(const std::string& families) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ovxVersions>\n" + families + "</ovxVersions>\n";
}

const std::string kFamily180 =
    "<family id=\"1.8.0\">\n"
    "  <latestVersion>1.8.0_161</latestVersion>\n"
    "  <baselineVersion>1.8.0_151</baselineVersion>\n"
    "</family>\n";

// "1.8.0_144:64*" for a preselected 64-bit 1.8.0_144, in the list's order.
std::vector<std::string> listed(const std::vector<InstalledVersion>& versions) {
    std::vector<std::string> out;
    for (const InstalledVersion& v : versions) {
        out.push_back(v.version.text() + ":" + std::to_string(v.arch) +
                      ((v.flags & InstalledVersion::preselected) ? "*" : ""));
    }
    return out;
}

}  // namespace

TEST(LatestVersionDocument, FamiliesWithTheirDefaults) {
    const FamilyTable table = parseLatestVersionDocument(document(
        kFamily180 +
        "<family id=\"1.7.0\"><latestVersion>1.7.0_80</latestVersion>"
        "<ranges><range><minVersion>1.7.0_10</minVersion></range><range><maxVersion>1.7.0_11</maxVersion></range></ranges>"
        "</family>\n"
        "<family id=\"1.6.0\"><other/></family>\n"));
    ASSERT_EQ(table.size(), 3u);

    const qscrub::FamilyVersions& f8 = table.at("1.8.0");
    EXPECT_EQ(f8.id.text(), "1.8.0");
    EXPECT_EQ(f8.latest.text(), "1.8.0_161");
    EXPECT_EQ(f8.baseline.text(), "1.8.0_151");
    EXPECT_EQ(f8.rangeMin.text(), "1.8.0") << "no ranges: from the id";
    EXPECT_EQ(f8.rangeMax.text(), "1.8.0_161") << "no ranges: up to latest";

    // Only the first range counts; a bound it lacks takes its default.
    const qscrub::FamilyVersions& f7 = table.at("1.7.0");
    EXPECT_EQ(f7.baseline.text(), "1.7.0");
    EXPECT_EQ(f7.rangeMin.text(), "1.7.0_10");
    EXPECT_EQ(f7.rangeMax.text(), "1.7.0_80");

    const qscrub::FamilyVersions& f6 = table.at("1.6.0");
    for (const RuntimeVersion* v : {&f6.latest, &f6.baseline, &f6.rangeMin, &f6.rangeMax}) EXPECT_EQ(v->text(), "1.6.0");
}

TEST(LatestVersionDocument, WhatIsNotAFamilyIsLeftOut) {
    EXPECT_TRUE(parseLatestVersionDocument("").empty());
    EXPECT_TRUE(parseLatestVersionDocument("not xml at all").empty());
    EXPECT_TRUE(parseLatestVersionDocument("<versions>" + kFamily180 + "</versions>").empty()) << "no ovxVersions";
    EXPECT_TRUE(parseLatestVersionDocument(document("<other id=\"1.8.0\"><x/></other>")).empty()) << "no family";
    EXPECT_TRUE(parseLatestVersionDocument("<root>" + document(kFamily180) + "</root>").empty())
        << "ovxVersions is looked for among the top-level nodes only";

    // Without a child, without attributes, without an id: skipped, the rest is read.
    const FamilyTable table = parseLatestVersionDocument(document(
        "<family id=\"1.5.0\"/>"
        "<family><latestVersion>1.4.2_10</latestVersion></family>"
        "<family version=\"1.4.2\"><latestVersion>1.4.2_10</latestVersion></family>" +
        kFamily180));
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.count("1.8.0"), 1u);

    // From the first family on, every sibling is read as a family whatever its name;
    // what comes before the first family is not.
    const FamilyTable siblings = parseLatestVersionDocument(document(
        "<item id=\"1.5.0\"><latestVersion>1.5.0_22</latestVersion></item>" + kFamily180 +
        "<item id=\"1.7.0\"><latestVersion>1.7.0_80</latestVersion></item>"));
    EXPECT_EQ(siblings.size(), 2u);
    EXPECT_EQ(siblings.count("1.7.0"), 1u);
    EXPECT_EQ(siblings.count("1.5.0"), 0u);
}

TEST(LatestVersionDocument, ALaterFamilyWithTheSameIdReplacesTheEarlierOne) {
    const FamilyTable table = parseLatestVersionDocument(document(
        kFamily180 + "<family id=\"1.8.0\"><latestVersion>1.8.0_171</latestVersion></family>"
                     "<family id=\"01.8.0\"><latestVersion>1.8.0_5</latestVersion></family>"));
    ASSERT_EQ(table.size(), 2u) << "ids compare byte for byte";
    EXPECT_EQ(table.at("1.8.0").latest.text(), "1.8.0_171");
    EXPECT_EQ(table.at("1.8.0").baseline.text(), "1.8.0") << "nothing of the replaced entry is kept";
}

TEST(LatestVersionDocument, AVersionTextThatDoesNotParseRaises) {
    EXPECT_THROW(parseLatestVersionDocument(document("<family id=\"1.8.0\"><latestVersion>latest</latestVersion></family>")),
                 std::runtime_error);
    EXPECT_THROW(parseLatestVersionDocument(document("<family id=\"one\"><latestVersion>1.8.0_1</latestVersion></family>")),
                 std::runtime_error);
    EXPECT_THROW(parseLatestVersionDocument(document("<family id=\"1.8\"><latestVersion>1.8.0_1</latestVersion></family>")),
                 std::runtime_error)
        << "an id needs three components like every version";
    // An empty element, or an element in place of a text, has no text: the default stands.
    const FamilyTable table = parseLatestVersionDocument(
        document("<family id=\"1.8.0\"><latestVersion><b>1.8.0_9</b></latestVersion><baselineVersion></baselineVersion>"
                 "</family>"));
    EXPECT_EQ(table.at("1.8.0").latest.text(), "1.8.0");
    EXPECT_EQ(table.at("1.8.0").baseline.text(), "1.8.0");
}

TEST(LatestVersionDocument, TheFamilyKeyHasThreeComponents) {
    const FamilyTable table = parseLatestVersionDocument(document(
        kFamily180 + "<family id=\"1.7.0_00\"><latestVersion>1.7.0_80</latestVersion></family>"));
    ASSERT_TRUE(qscrub::findFamily(table, "1.8.0_144-b01").has_value());
    EXPECT_EQ(qscrub::findFamily(table, "1.8.0_144")->baseline.text(), "1.8.0_151");
    EXPECT_FALSE(qscrub::findFamily(table, "1.7.0_45").has_value()) << "the id is matched as written";
    EXPECT_FALSE(qscrub::findFamily(table, "1.8.1_1").has_value());
    EXPECT_THROW(qscrub::findFamily(table, "1.8"), std::runtime_error);
}

TEST(OutOfDateVersions, BelowTheBaselineAndPreselectedInsideTheRange) {
    const std::vector<InstalledVersion> machine = {
        installed("1.8.0_161", 64), installed("1.8.0_144", 64, InstalledVersion::preselected),
        installed("1.8.0_151", 64), installed("1.8.0_121", 32), installed("1.7.0_80", 64)};
    const FamilyTable plain = parseLatestVersionDocument(document(kFamily180));
    EXPECT_EQ(listed(selectOutOfDateVersions(plain, "1.9.0", machine)),
              (std::vector<std::string>{"1.8.0_121:32*", "1.8.0_144:64*"}))
        << "no ranges: every out-of-date version up to latest is preselected; unlisted families never count";

    const FamilyTable ranged = parseLatestVersionDocument(document(
        "<family id=\"1.8.0\"><latestVersion>1.8.0_161</latestVersion><baselineVersion>1.8.0_151</baselineVersion>"
        "<ranges><range><minVersion>1.8.0_101</minVersion><maxVersion>1.8.0_131</maxVersion></range></ranges></family>"));
    EXPECT_EQ(listed(selectOutOfDateVersions(ranged, "1.9.0", machine)),
              (std::vector<std::string>{"1.8.0_121:32*", "1.8.0_144:64"}))
        << "outside the range: still offered, unselected (a stale bit is cleared)";

    const FamilyTable ends = parseLatestVersionDocument(document(
        "<family id=\"1.8.0\"><baselineVersion>1.8.0_200</baselineVersion>"
        "<ranges><range><minVersion>1.8.0_121</minVersion><maxVersion>1.8.0_151</maxVersion></range></ranges></family>"));
    EXPECT_EQ(listed(selectOutOfDateVersions(ends, "1.9.0", machine)),
              (std::vector<std::string>{"1.8.0_121:32*", "1.8.0_144:64*", "1.8.0_151:64*", "1.8.0_161:64"}))
        << "both ends of the range count as inside";
}

TEST(OutOfDateVersions, SortedAscendingAndOncePerBitness) {
    const std::vector<InstalledVersion> machine = {installed("1.8.0_144", 64), installed("1.7.0_45", 32),
                                                   installed("1.8.0_121-b13", 64), installed("1.8.0_144", 32),
                                                   installed("1.8.0_121", 32)};
    const FamilyTable table = parseLatestVersionDocument(document(
        kFamily180 + "<family id=\"1.7.0\"><baselineVersion>1.7.0_80</baselineVersion></family>"));
    EXPECT_EQ(listed(selectOutOfDateVersions(table, "1.9.0", machine)),
              (std::vector<std::string>{"1.7.0_45:32", "1.8.0_121:32*", "1.8.0_121-b13:64*", "1.8.0_144:64*",
                                        "1.8.0_144:32*"}))
        << "without latestVersion the range ends at the id: 1.7.0_45 is offered unselected";
}

TEST(OutOfDateVersions, TheVersionBeingInstalledIsNeverListed) {
    // The family of the version being installed says that it is out of date.
    const FamilyTable table = parseLatestVersionDocument(
        document("<family id=\"1.9.0\"><baselineVersion>1.9.0_20</baselineVersion></family>"));
    const std::vector<InstalledVersion> machine = {installed("1.9.0-b55", 64), installed("1.9.0", 32),
                                                   installed("1.9.0_5", 64)};
    EXPECT_EQ(listed(selectOutOfDateVersions(table, "1.9.0", machine)), (std::vector<std::string>{"1.9.0_5:64"}))
        << "any build of the version, in either bitness";
    EXPECT_EQ(listed(selectOutOfDateVersions(table, "1.9.0-ea-b55", machine)),
              (std::vector<std::string>{"1.9.0:32*", "1.9.0_5:64"}))
        << "with a build given, only that build";
    EXPECT_TRUE(selectOutOfDateVersions(FamilyTable(), "1.9.0", machine).empty()) << "an empty document removes nothing";
    EXPECT_THROW(selectOutOfDateVersions(table, "1.x", machine), std::runtime_error);
}
