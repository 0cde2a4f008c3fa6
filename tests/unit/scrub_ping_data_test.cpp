// The removal's record and the "list1" text made of it, with its log lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "scrub/scrub_ping_data.h"

using qscrub::InstalledVersion;
using testing::ElementsAre;

namespace {

InstalledVersion v(const std::string& text, int arch) {
    InstalledVersion version;
    version.version = RuntimeVersion(text);
    version.arch = arch;
    return version;
}

const InstalledVersion kCurrent = v("1.9.0-ea-b55", 64);

}  // namespace

TEST(ScrubPingData, NotRunOrNothingElseInstalledGivesNoText) {
    EXPECT_EQ(OrunScrubPingData().createUninstallPing(), "");
    takeCapturedLog();
    // The installed list names the version being installed as the registry renders it.
    OrunScrubPingData data({v("1.9.0-b55", 64)}, kCurrent);
    EXPECT_TRUE(data.available().empty());
    data.setIsDRS(true);
    EXPECT_EQ(data.createUninstallPing(), "") << "nothing available: empty even with a rule set";
    const std::vector<CapturedLine> log = takeCapturedLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].level, 0);
    EXPECT_EQ(log[0].message, "OrunScrubPingData: excluding current version Orun 9 (64-bit)");
    EXPECT_EQ(log[1].message, "OrunScrubPingData: Setting isDrs to: 1");
}

TEST(ScrubPingData, NoneOutOfDateGivesSecureEntriesAndUa100) {
    takeCapturedLog();
    // The 32-bit installation of the current version is another runtime.
    OrunScrubPingData data({v("1.8.0_151", 64), v("1.9.0-b55", 64), v("1.9.0-b55", 32)}, kCurrent);
    EXPECT_EQ(data.createUninstallPing(), "unovx~-22~1.8.0_151:64;unovx~-22~1.9.0-b55:32;uninstaller~ua100~XX");
    EXPECT_THAT(takeCapturedMessages(),
                ElementsAre("OrunScrubPingData: excluding current version Orun 9 (64-bit)",
                            "OrunScrubPingData: Adding available Version: Orun 8 Update 151 (64-bit)",
                            "OrunScrubPingData: Adding available Version: Orun 9",
                            "OrunScrubPingData: Adding secure Version: Orun 8 Update 151 (64-bit)",
                            "OrunScrubPingData: Adding secure Version: Orun 9", "1: 2", "Some OVXs were uninstalled"));
}

TEST(ScrubPingData, ARuleSetGivesItsStatusAlone) {
    OrunScrubPingData data({v("1.8.0_121", 64), v("1.8.0_144", 64)}, kCurrent);
    data.setIsDRS(true);
    takeCapturedLog();
    EXPECT_EQ(data.createUninstallPing(), "uninstaller~ua102~XX");
    EXPECT_THAT(takeCapturedMessages(), ElementsAre("DRS file is found on machine"));
}

TEST(ScrubPingData, DeclinedWithThreeOutOfDateAmongFive) {
    const std::vector<InstalledVersion> machine = {v("1.7.0_80", 64), v("1.8.0_121", 64), v("1.8.0_144", 32),
                                                   v("1.8.0_144", 64), v("1.8.0_161", 64), kCurrent};
    OrunScrubPingData data(machine, kCurrent);
    ASSERT_EQ(data.available().size(), 5u);
    for (const InstalledVersion& kept : {machine[1], machine[2], machine[3]}) data.addKeptVersion(kept);
    data.setIsIgnoredByUser(true);
    takeCapturedLog();
    EXPECT_EQ(data.createUninstallPing(),
              "unovx~-22~1.7.0_80:64;unovx~-22~1.8.0_161:64;"
              "unovx~-20~1.8.0_121:64;unovx~-20~1.8.0_144:32;unovx~-20~1.8.0_144:64;uninstaller~ua101~XX");
    const std::vector<std::string> log = takeCapturedMessages();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], "1: 2");
    EXPECT_EQ(log[3], "User cancelled ovx uninstallation");
}

TEST(ScrubPingData, EverythingUncheckedIsKeptAndCountsAsDeclined) {
    OrunScrubPingData data({v("1.8.0_121", 64)}, kCurrent);
    data.addKeptVersion(v("1.8.0_121", 64));
    EXPECT_FALSE(data.isIgnoredByUser());
    EXPECT_EQ(data.createUninstallPing(), "unovx~-20~1.8.0_121:64;uninstaller~ua101~XX");
}

TEST(ScrubPingData, UninstallResultsDecideTheStatus) {
    OrunScrubPingData data({v("1.8.0_121", 64), v("1.8.0_144", 64), v("1.8.0_161", 64)}, kCurrent);
    data.addKeptVersion(v("1.8.0_144", 64));
    takeCapturedLog();
    data.addUninstalledVersion(v("1.8.0_121", 64), 3010);
    EXPECT_THAT(takeCapturedMessages(),
                ElementsAre("OrunScrubPingData: Adding Uninstall result for Version: Orun 8 Update 121 (64-bit); "
                            "exitCode is 3010"));
    EXPECT_EQ(data.createUninstallPing(),
              "unovx~-22~1.8.0_161:64;unovx~-20~1.8.0_144:64;unovx~3010~1.8.0_121:64;uninstaller~ua500~XX")
        << "3010 is a success, yet not a plain one";

    OrunScrubPingData clean({v("1.8.0_121", 64), v("1.8.0_144", 32)}, kCurrent);
    clean.addUninstalledVersion(v("1.8.0_121", 64), 0);
    clean.addUninstalledVersion(v("1.8.0_144", 32), 0);
    EXPECT_EQ(clean.createUninstallPing(), "unovx~0~1.8.0_121:64;unovx~0~1.8.0_144:32;uninstaller~ua100~XX");

    OrunScrubPingData failed({v("1.8.0_121", 64)}, kCurrent);
    failed.addUninstalledVersion(v("1.8.0_121", 64), 1603);
    EXPECT_EQ(failed.createUninstallPing(), "unovx~1603~1.8.0_121:64;uninstaller~ua500~XX");
}

TEST(ScrubPingData, BitnessAndEveryComponentTellVersionsApart) {
    // Kept in one bitness only: the other stays secure; another build is another version.
    OrunScrubPingData data({v("1.8.0_144", 32), v("1.8.0_144", 64), v("1.8.0_144-b01", 64)}, kCurrent);
    data.addKeptVersion(v("1.8.0_144", 64));
    const std::vector<InstalledVersion> secure = data.calculateSecureVersions();
    ASSERT_EQ(secure.size(), 2u);
    EXPECT_EQ(qscrub::formatVersionEntry(-22, secure[0]), "unovx~-22~1.8.0_144:32;");
    EXPECT_EQ(qscrub::formatVersionEntry(-22, secure[1]), "unovx~-22~1.8.0_144-b01:64;");
    EXPECT_EQ(qscrub::formatVersionEntry(5, v("1.6.0_20", 31)), "unovx~5~1.6.0_20:64;") << "anything but 32 reads 64";
    EXPECT_EQ(qscrub::formatStatusEntry("ua100"), "uninstaller~ua100~XX");

    // Copies keep all five members.
    data.setIsIgnoredByUser(true);
    data.addUninstalledVersion(v("1.8.0_144", 32), 0);
    const OrunScrubPingData copy = data;
    EXPECT_EQ(copy.createUninstallPing(), data.createUninstallPing());
    EXPECT_TRUE(copy.isIgnoredByUser());
    EXPECT_EQ(copy.uninstalled().size(), 1u);
}
