// The out-of-date removal against the real things: the latest-version document
// from the test server (this suite's own prefix has it as its proxy, so the
// maker's address stays as it is), and older runtime packages installed side
// by side and removed through the system's msiexec under their derived codes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "http_test_support.h"
#include "msi/action.h"
#include "product/registry_places.h"
#include "registry/registry.h"
#include "scrub/orun_scrub.h"
#include "scrub/qcleaner.h"
#include "scrub/scrub_ping_data.h"
#include "old_runtimes.h"

using httptest::failureOf;
using httptest::server;
using qscrub::InstalledVersion;
using qscrub::QCleaner;
using namespace oldruntimes;

namespace {

bool registered(const OldRuntime& r) { return r.registered(); }

// "1.8.0_144-b01:32*", as the removal lists them.
std::vector<std::string> listed(const std::vector<InstalledVersion>& versions) {
    std::vector<std::string> out;
    for (const InstalledVersion& v : versions) {
        out.push_back(v.version.text() + ":" + std::to_string(v.arch) + ((v.flags & InstalledVersion::preselected) ? "*" : ""));
    }
    return out;
}

class Scrub : public ::testing::Test {
protected:
    void SetUp() override { server().clear(); }
    void TearDown() override { server().release(); }
};

}  // namespace

TEST_F(Scrub, TheDocumentComesOnceOverHttpsAsOrunScrub) {
    server().serve(kDocumentPath, kDocument);
    EXPECT_EQ(qscrub::fetchLatestVersionDocument(), kDocument);
    ASSERT_EQ(server().requestCount(), 1);
    const nettest::RecordedRequest request = server().request();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.scheme, "https");
    EXPECT_EQ(request.host, "orun.kyn.example");
    EXPECT_EQ(request.path, kDocumentPath);
    EXPECT_EQ(request.header("User-Agent"), "OrunScrub");
}

TEST_F(Scrub, AnythingButAWholeDocumentWithStatus200Raises) {
    server().serve(kDocumentPath, "gone", "status=404");
    const httptest::Failure missing = failureOf([] { qscrub::fetchLatestVersionDocument(); });
    EXPECT_EQ(missing.kind, "http_error");
    EXPECT_EQ(missing.status, 404);

    const std::string size = "size=" + std::to_string(HttpConnection::kMaxContentSize);
    server().serve(kDocumentPath, "<!-- -->", size);
    EXPECT_EQ(qscrub::fetchLatestVersionDocument().size(), HttpConnection::kMaxContentSize) << "exactly 1 MB is read";
    server().serve(kDocumentPath, "", "size=" + std::to_string(HttpConnection::kMaxContentSize + 1));
    EXPECT_EQ(failureOf([] { qscrub::fetchLatestVersionDocument(); }).kind, "content_is_too_big");
    server().serve(kDocumentPath, "", "size=" + std::to_string(3 * HttpConnection::kMaxContentSize) + "&framing=chunked");
    EXPECT_EQ(failureOf([] { qscrub::fetchLatestVersionDocument(); }).kind, "content_is_too_big");

    // Not there at all: the same error, before anything of the machine is read.
    server().clear();
    EXPECT_EQ(failureOf([] { OrunScrub::findOutOfDateVersions("1.9.0"); }).kind, "http_error");
    server().serve(kDocumentPath, "<ovxVersions><family id=\"1.8.0\"><latestVersion>1.8.0_x</latestVersion></family></ovxVersions>");
    EXPECT_EQ(failureOf([] { OrunScrub::findOutOfDateVersions("1.9.0"); }).kind, "other") << "the version parser's error";
}

// Five older runtimes, installed side by side from their packages beside the
// launcher's own; the removal lists the out-of-date ones and takes each off
// through msiexec. The document's own baseline for 1.9.0 lies above the
// launcher's build, yet the version being installed is never offered.
TEST_F(Scrub, OldRuntimesAreFoundAndRemovedUnderTheirDerivedCodes) {
    const std::vector<OldRuntime> runtimes = oldRuntimes();
    ASSERT_EQ(runtimes.size(), 5u) << OVX_OLD_RUNTIMES "/packages.txt";
    msi::action<msi::install> launchers;
    launchers.setPackagePath(OVX_TEST_PACKAGE);
    ASSERT_NO_THROW(launchers.execute());
    for (const OldRuntime& r : runtimes) {
        ASSERT_FALSE(registered(r)) << r.version << " " << r.arch << ": the prefix must start without it";
        EXPECT_EQ(QCleaner::getProductGUID(r.full, r.arch, false), r.code) << r.full << " " << r.arch;
        msi::action<msi::install> install;
        install.setPackagePath(r.package());
        ASSERT_NO_THROW(install.execute()) << r.package();
        EXPECT_TRUE(registered(r)) << r.version << " " << r.arch;
    }

    // The installed list as the removal reads it: the 32-bit view first.
    std::vector<std::string> all;
    for (const InstalledVersion& v : QCleaner::collectInstalledVersions()) {
        all.push_back(v.version.text() + ":" + std::to_string(v.arch));
    }
    EXPECT_THAT(all, testing::UnorderedElementsAre("1.7.0_65-b20:64", "1.8.0_121-b13:64", "1.8.0_144-b01:32",
                                                   "1.8.0_144-b01:64", "1.8.0_161-b12:64", "1.9.0-b55:64"));
    EXPECT_EQ(all.front(), "1.8.0_144-b01:32");

    server().serve(kDocumentPath, kDocument);
    const std::vector<InstalledVersion> outOfDate = OrunScrub::findOutOfDateVersions("1.9.0");
    EXPECT_EQ(listed(outOfDate), (std::vector<std::string>{"1.7.0_65-b20:64*", "1.8.0_121-b13:64", "1.8.0_144-b01:32*",
                                                            "1.8.0_144-b01:64*"}));

    InstalledVersion current;
    current.version = RuntimeVersion("1.9.0-ea-b55");
    current.arch = 64;
    OrunScrubPingData report(QCleaner::collectInstalledVersions(), current);
    for (const InstalledVersion& v : outOfDate) {
        int exitCode = -7;
        EXPECT_TRUE(QCleaner::uninstall(v.version.text(), v.arch, exitCode)) << v.version.text() << " " << v.arch;
        EXPECT_EQ(exitCode, 0);
        report.addUninstalledVersion(v, exitCode);
    }
    for (const OldRuntime& r : runtimes) {
        const bool kept = r.version == "1.8.0_161";
        EXPECT_EQ(registered(r), kept) << r.version << " " << r.arch;
        EXPECT_EQ(Registry::hklm64.exists(std::string(kUninstallKey) + "\\" + r.code), kept) << r.code;
    }
    EXPECT_EQ(report.createUninstallPing(),
              "unovx~-22~1.8.0_161-b12:64;unovx~0~1.7.0_65-b20:64;unovx~0~1.8.0_121-b13:64;"
              "unovx~0~1.8.0_144-b01:32;unovx~0~1.8.0_144-b01:64;uninstaller~ua100~XX");

    // The prefix as it was; gone now, a second removal runs nothing.
    int exitCode = -7;
    EXPECT_TRUE(QCleaner::uninstall("1.8.0_161-b12", 64, exitCode));
    EXPECT_FALSE(QCleaner::uninstall("1.8.0_161-b12", 64, exitCode = -7));
    EXPECT_EQ(exitCode, -7);
    EXPECT_TRUE(QCleaner::uninstall("1.9.0-b55", 64, exitCode));
    EXPECT_TRUE(QCleaner::collectInstalledVersions().empty());
}
