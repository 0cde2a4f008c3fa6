// The install status report's texts and the installer options document.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "metrics/installer_options.h"
#include "metrics/ping_text.h"
#include "scrub/scrub_ping_data.h"

namespace {

TEST(StatusReport, ElementsAreEscapedAndTheLogNeverShowsTheAccessCode) {
    ping::StatusReport report;
    report.append("prop20", ping::accessCode("https://metrics.kyn.example/b/ss/x,kynprod"));
    report.append("evar2", "1.9.0-ea-b55");
    report.append("evar6", "Windows <10> & more");
    report.append("evar40", -1);
    const std::string text = report.finish();
    EXPECT_EQ(text,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <request> <prop20>6b796e31</prop20><evar2>1.9.0-ea-b55</evar2>"
              "<evar6>Windows &lt;10&gt; &amp; more</evar6><evar40>-1</evar40></request>");
    const std::string logged = ping::headRequestLogText(text);
    EXPECT_EQ(logged, "$prop20#$evar2#1.9.0-ea-b55#$evar6#Windows#&lt;10&gt;#&amp;#more#$evar40#-1#");
    EXPECT_EQ(logged.find("6b796e31"), std::string::npos);
}

TEST(StatusReport, TheRemovalsTextGoesLastAsList1WhenThereIsOne) {
    const auto reportWith = [](const OrunScrubPingData* removal) {
        ping::StatusReport report;
        report.append("products", ";ovx|0~64bit");
        ping::appendRemovalReport(report, removal);
        return report.finish();
    };
    qscrub::InstalledVersion current, old;
    current.version = RuntimeVersion("1.9.0-ea-b55");
    current.arch = old.arch = 64;
    old.version = RuntimeVersion("1.8.0_144");
    OrunScrubPingData removal({old, current}, current);
    removal.addUninstalledVersion(old, 1603);
    takeCapturedLog();
    EXPECT_EQ(reportWith(&removal),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <request> <products>;ovx|0~64bit</products>"
              "<list1>unovx~1603~1.8.0_144:64;uninstaller~ua500~XX</list1></request>");
    EXPECT_EQ(takeCapturedMessages().back(), "Orun Removal Tool ping: unovx~1603~1.8.0_144:64;uninstaller~ua500~XX");

    // Ran with nothing else installed: logged, no element. Did not run: neither.
    const std::string without = "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <request> <products>;ovx|0~64bit</products></request>";
    const OrunScrubPingData nothing({current}, current);
    takeCapturedLog();
    EXPECT_EQ(reportWith(&nothing), without);
    EXPECT_EQ(takeCapturedMessages(), std::vector<std::string>{"Orun Removal Tool ping: "});
    EXPECT_EQ(reportWith(nullptr), without);
    EXPECT_TRUE(takeCapturedMessages().empty());
}

TEST(StatusReport, AccessCodeAndSuiteFollowTheAddress) {
    EXPECT_EQ(ping::accessCode("https://metrics.kyn.example/ping"), "6b796e31");
    EXPECT_EQ(ping::accessCode("https://stage.kyn.example/ping"), "devsitemarker");
    EXPECT_EQ(ping::accessCode("http://metrics.kyn.example/ping"), "cleartextvalue");
    EXPECT_EQ(ping::reportSuiteId("https://metrics.kyn.example/ping,suite1,x"), "suite1,x");
    EXPECT_EQ(ping::reportSuiteId("https://metrics.kyn.example/ping"), "kyninstallstat");
}

TEST(StatusReport, VisitorIdsAreAtLeastSixteenDigitsSplitInTheMiddle) {
    EXPECT_EQ(ping::composeVisitorId(0x1234, 0x5678, 0x9abc), "12345678-9abcffff");
    EXPECT_EQ(ping::composeVisitorId(0x1, 0x2, 0x3), "123ff-ffffff") << "at most eight digits are added";
    EXPECT_EQ(ping::composeVisitorId(0xabcdef01, 0x5f5e1000, 0x1234), "abcdef015f-5e10001234");
}

const char kDocument[] =
    "<?xml version=\"1.0\"?>\n<orun-update>\n"
    " <information version=\"2.0\" xml:lang=\"de\"><post-status>https://metrics.kyn.example/v2</post-status></information>\n"
    " <information version=\"1.0\" xml:lang=\"en\">\n"
    "  <offline-options>o</offline-options><post-status>https://metrics.kyn.example/en</post-status>\n"
    "  <cntry-lookup>https://lookup.kyn.example/c</cntry-lookup><msi-url>https://download.kyn.example/pics</msi-url>\n"
    " </information>\n"
    " <information version=\"1.0\" xml:lang=\"de\"><post-status>https://metrics.kyn.example/de</post-status>"
    "<msi-url>https://download.kyn.example/de</msi-url></information>\n"
    " <information version=\"1.0\" xml:lang=\"de\"><post-status>0</post-status></information>\n"
    "</orun-update>\n";

// Wine's installer never answers 1638 (it installs over another build of the
// same product), so the rule that counts it is checked here.
TEST(StatusReport, AnotherVersionInstalledOrAFailureOverAnExistingRuntimeCountsAsMinus128) {
    EXPECT_EQ(ping::reportedResult("", 1638), -128);
    EXPECT_EQ(ping::reportedResult("exists", 1638), -128);
    EXPECT_EQ(ping::reportedResult("exists", 1603), -128);
    EXPECT_EQ(ping::reportedResult("exists", 1602), -128);
    EXPECT_EQ(ping::reportedResult("exists", 0), 0);
    EXPECT_EQ(ping::reportedResult("", 1603), 1603);
    EXPECT_EQ(ping::reportedResult("decline", 1602), 1602);
}

TEST(InstallerOptions, TheUsersLanguageOverEnglishAndTheWalkStopsThere) {
    InstallerOptions german;
    EXPECT_TRUE(readInstallerOptions(kDocument, "de", german));
    EXPECT_EQ(german.reportAddress, "https://metrics.kyn.example/de");
    EXPECT_EQ(german.pictureBase, "https://download.kyn.example/de");
    EXPECT_EQ(german.lookupAddress, "https://lookup.kyn.example/c") << "kept from the English element";

    InstallerOptions french;
    EXPECT_TRUE(readInstallerOptions(kDocument, "fr", french));
    EXPECT_EQ(french.reportAddress, "https://metrics.kyn.example/en");
    EXPECT_EQ(french.offlineOptions, "o");
}

TEST(InstallerOptions, NoReportAddressGivesFalse) {
    InstallerOptions off;
    EXPECT_FALSE(readInstallerOptions("<orun-update><information version=\"1.0\" xml:lang=\"en\">"
                                      "<post-status>0</post-status><cntry-lookup>x</cntry-lookup></information>"
                                      "</orun-update>",
                                      "en", off));
    EXPECT_EQ(off.reportAddress, "");
    EXPECT_EQ(off.lookupAddress, "x");
    InstallerOptions other;
    EXPECT_FALSE(readInstallerOptions("<other-root/>", "en", other));
    EXPECT_FALSE(readInstallerOptions("", "en", other));
    const std::string longAddress(300, 'a');
    EXPECT_TRUE(readInstallerOptions("<orun-update><information version=\"1.0\" xml:lang=\"en\"><post-status>" +
                                         longAddress + "</post-status></information></orun-update>",
                                     "en", other));
    EXPECT_EQ(other.reportAddress, longAddress.substr(0, kOptionsValueMax));
}

}  // namespace
