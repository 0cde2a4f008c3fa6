// The removal sequence with real old runtimes, the latest-version document from
// the test server and the real uninstalls. No HTML engine runs the pages here,
// so a player answers each page the way a person would, through the page's
// `external` object; the dialogs, their frame windows and controls are real.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "base/sys_info.h"
#include "html_ui/dialog.h"
#include "html_ui/page_player.h"
#include "http_test_support.h"
#include "msi/action.h"
#include "product/registry_places.h"
#include "registry/registry.h"
#include "scrub/qcleaner.h"
#include "scrub/run_sequence.h"
#include "old_runtimes.h"
#include "test_support.h"

using httptest::server;
using qscrub::InstalledVersion;
using namespace oldruntimes;

namespace {

const char kNothingOutOfDate[] =
    "<ovxVersions><family id=\"1.7.0\"><baselineVersion>1.7.0_10</baselineVersion></family>"
    "<family id=\"1.8.0\"><baselineVersion>1.8.0_20</baselineVersion></family></ovxVersions>";

const char kSeven[] = "Orun 7 Update 65 (64-bit)";
const char kEight121[] = "Orun 8 Update 121 (64-bit)";
const char kEight144x32[] = "Orun 8 Update 144";
const char kEight144[] = "Orun 8 Update 144 (64-bit)";

const OldRuntime& runtime(const std::vector<OldRuntime>& all, const std::string& version, int arch) {
    for (const OldRuntime& r : all)
        if (r.version == version && r.arch == arch) return r;
    throw std::runtime_error("no package for " + version);
}

// What a person does on one page: the events its page sends, in order.
struct Step {
    std::string page;
    std::vector<ui::ArgList> events;
};

class ScriptedPlayer : public ui::PagePlayer {
public:
    explicit ScriptedPlayer(std::vector<Step> steps) : steps_(std::move(steps)) { ui::setPagePlayer(this); }
    ~ScriptedPlayer() override { ui::setPagePlayer(nullptr); }

    void scriptRun(ui::Dialog& dialog, const std::string& script) override {
        scripts.push_back(pageOf(dialog) + ": " + script);
    }
    void pageShown(ui::Dialog& dialog) override {
        shown.push_back(pageOf(dialog));
        if (next_ >= steps_.size()) {
            ADD_FAILURE() << "a page the test did not expect: " << pageOf(dialog);
            dialog.close(1);
            return;
        }
        const Step& step = steps_[next_++];
        EXPECT_EQ(pageOf(dialog), step.page);
        for (const ui::ArgList& event : step.events) ui::sendPageEvent(dialog, event);
    }
    std::vector<std::string> scriptsOf(const std::string& page) const {
        std::vector<std::string> out;
        for (const std::string& s : scripts)
            if (s.rfind(page + ": ", 0) == 0) out.push_back(s.substr(page.size() + 2));
        return out;
    }
    bool allPlayed() const { return next_ == steps_.size(); }

    std::vector<std::string> shown;
    std::vector<std::string> scripts;

private:
    static std::string pageOf(ui::Dialog& dialog) {
        const std::string& url = dialog.getUrl();
        return url.substr(url.rfind('/') + 1);
    }
    std::vector<Step> steps_;
    size_t next_ = 0;
};

std::vector<std::string> texts(const std::vector<InstalledVersion>& versions) {
    std::vector<std::string> out;
    for (const InstalledVersion& v : versions) out.push_back(v.version.text() + ":" + std::to_string(v.arch));
    return out;
}

// Every old runtime installed before each case; the cases remove some.
class Sequence : public ::testing::Test {
protected:
    void SetUp() override {
        server().clear();
        for (const OldRuntime& r : runtimes_) {
            if (r.registered()) continue;
            msi::action<msi::install> install;
            install.setPackagePath(r.package());
            ASSERT_NO_THROW(install.execute()) << r.package();
        }
        server().serve(kDocumentPath, kDocument);
    }
    void TearDown() override { server().release(); }
    // The prefix as the suite found it.
    static void TearDownTestSuite() {
        for (const OldRuntime& r : oldRuntimes()) {
            int exitCode = 0;
            if (r.registered()) qscrub::QCleaner::uninstall(r.full, r.arch, exitCode);
        }
    }

    const OldRuntime& old(const std::string& version, int arch) { return runtime(runtimes_, version, arch); }
    std::string logText() const { return log_.text(); }

    std::vector<OldRuntime> runtimes_ = oldRuntimes();
    ScratchDir dir_{"scrub_sequence"};
    CapturedLog log_{dir_};
};

const std::vector<std::string> kOutOfDate = {"1.7.0_65-b20:64", "1.8.0_121-b13:64", "1.8.0_144-b01:32",
                                             "1.8.0_144-b01:64"};

}  // namespace

TEST_F(Sequence, NothingOutOfDateShowsNoPage) {
    server().serve(kDocumentPath, kNothingOutOfDate);
    ScriptedPlayer player({});
    const OrunScrubPingData data = qscrub::runSequence();
    EXPECT_TRUE(player.shown.empty());
    EXPECT_EQ(texts(data.available()).size(), 5u);
    EXPECT_TRUE(data.kept().empty());
    EXPECT_TRUE(data.uninstalled().empty());
    EXPECT_FALSE(data.isIgnoredByUser());
    EXPECT_TRUE(contains(messagesAt(logText(), "INFO"), "Out-of-date Orun versions detected: 0"));
}

TEST_F(Sequence, ARuleSetShowsItsPageAndRemovesNothing) {
    const std::string ruleSet = qscrub::deploymentRuleSetPath();
    FileUtils::createDirectory(ruleSet.substr(0, ruleSet.rfind('\\')));
    writeFile(ruleSet, "managed");
    ScriptedPlayer player({{"orunscrub_drs.html", {{"next"}}}});
    const OrunScrubPingData data = qscrub::runSequence();
    DeleteFileA(ruleSet.c_str());

    EXPECT_EQ(player.shown, std::vector<std::string>{"orunscrub_drs.html"});
    EXPECT_EQ(player.scriptsOf("orunscrub_drs.html"),
              (std::vector<std::string>{std::string("addListItem('") + kSeven + "');",
                                        std::string("addListItem('") + kEight121 + "');",
                                        std::string("addListItem('") + kEight144x32 + "');",
                                        std::string("addListItem('") + kEight144 + "');"}));
    for (const OldRuntime& r : runtimes_) EXPECT_TRUE(r.registered()) << r.version;
    EXPECT_TRUE(data.isDRS());
    EXPECT_TRUE(contains(messagesAt(logText(), "INFO"), "DRS detected, skipping out-of-date Orun uninstall"));
    const std::string ping = data.createUninstallPing();
    const std::string end = "uninstaller~ua102~XX";
    EXPECT_TRUE(ping.size() >= end.size() && ping.compare(ping.size() - end.size(), end.size(), end) == 0) << ping;
}

TEST_F(Sequence, RemindMeLaterKeepsEverything) {
    ScriptedPlayer player({{"orunscrub.html", {{"cancel"}}}});
    const OrunScrubPingData data = qscrub::runSequence();
    EXPECT_EQ(player.shown, std::vector<std::string>{"orunscrub.html"});
    for (const OldRuntime& r : runtimes_) EXPECT_TRUE(r.registered()) << r.version;
    EXPECT_EQ(texts(data.kept()), kOutOfDate);
    EXPECT_TRUE(data.uninstalled().empty());
    EXPECT_TRUE(data.isIgnoredByUser());
}

TEST_F(Sequence, EverythingUncheckedOnTheListKeepsEverything) {
    ScriptedPlayer player({{"orunscrub.html", {{"a", "manageListLink"}}},
                           {"orunscrub_versions.html", {{"checkbox_clicked", "0000"}, {"next"}}}});
    const OrunScrubPingData data = qscrub::runSequence();
    EXPECT_EQ(player.shown, (std::vector<std::string>{"orunscrub.html", "orunscrub_versions.html"}));
    EXPECT_EQ(player.scriptsOf("orunscrub_versions.html"),
              (std::vector<std::string>{std::string("addListItem('0','") + kSeven + "');",
                                        std::string("addListItem('1','") + kEight121 + "');",
                                        std::string("addListItem('2','") + kEight144x32 + "');",
                                        std::string("addListItem('3','") + kEight144 + "');",
                                        "updateListItems('1011');"}));
    for (const OldRuntime& r : runtimes_) EXPECT_TRUE(r.registered()) << r.version;
    EXPECT_EQ(texts(data.kept()), kOutOfDate);
    EXPECT_FALSE(data.isIgnoredByUser());
}

// The list's changes are dropped by Back; Uninstall then removes the
// preselected three, in ascending version order, for real.
TEST_F(Sequence, BackDropsTheChangesAndUninstallRemovesThePreselected) {
    ScriptedPlayer player({{"orunscrub.html", {{"a", "manageListLink"}}},
                           {"orunscrub_versions.html", {{"checkbox_clicked", "0100"}, {"cancel"}}},
                           {"orunscrub.html", {{"next"}}},
                           {"orunscrub_progress.html", {}},
                           {"orunscrub_progress.html", {{"next"}}}});
    const OrunScrubPingData data = qscrub::runSequence();
    EXPECT_TRUE(player.allPlayed());
    EXPECT_EQ(player.scriptsOf("orunscrub_progress.html"),
              (std::vector<std::string>{"showProgressView(1)", std::string("setStatus('") + kSeven + "','1','3')",
                                        std::string("setStatus('") + kEight144x32 + "','2','3')",
                                        std::string("setStatus('") + kEight144 + "','3','3')", "showProgressView(0)"}));
    EXPECT_FALSE(old("1.7.0_65", 64).registered());
    EXPECT_FALSE(old("1.8.0_144", 32).registered());
    EXPECT_FALSE(old("1.8.0_144", 64).registered());
    EXPECT_TRUE(old("1.8.0_121", 64).registered());
    EXPECT_TRUE(old("1.8.0_161", 64).registered());
    EXPECT_EQ(texts(data.kept()), std::vector<std::string>{"1.8.0_121-b13:64"});
    ASSERT_EQ(data.uninstalled().size(), 3u);
    for (const auto& attempt : data.uninstalled()) EXPECT_EQ(attempt.exitCode, 0);
    const auto info = messagesAt(logText(), "INFO");
    EXPECT_TRUE(contains(info, "Out-of-date Orun uninstall success: 1.8.0_144-b01"));
    EXPECT_TRUE(contains(info, "1.8.0_144-b01 32bit successfully uninstalled"));
}

// A runtime whose record stays behind without its product cannot be removed:
// it is listed as remaining on the result page, which only the list link opens.
TEST_F(Sequence, AFailedUninstallIsListedAsRemaining) {
    const std::string leftover = std::string(kRuntimesKey) + "\\1.8.0_101";
    Registry(Registry::hklm64, leftover, Registry::Write).setString("OrunHome", "C:\\Program Files\\Orun\\ovx1.8.0_101");
    ScriptedPlayer player({{"orunscrub.html", {{"a", "manageListLink"}}},
                           {"orunscrub_versions.html", {{"checkbox_clicked", "01000"}, {"checkbox_clicked", "01100"},
                                                        {"next"}}},
                           {"orunscrub_progress.html", {}},
                           {"orunscrub_progress.html", {{"a", "viewListLink"}}},
                           {"orunscrub_complete.html", {{"next"}}}});
    const OrunScrubPingData data = qscrub::runSequence();
    Registry(Registry::hklm64, kRuntimesKey).deleteSubkey("1.8.0_101");

    EXPECT_TRUE(player.allPlayed());
    // Remaining: the failed one and those left unchecked, in the list's order.
    EXPECT_EQ(player.scriptsOf("orunscrub_complete.html"),
              (std::vector<std::string>{std::string("addListItem('uninstalledList', '") + kEight121 + "');",
                                        std::string("addListItem('remainingList', '") + kSeven + "');",
                                        "addListItem('remainingList', 'Orun 8 Update 101 (64-bit)');",
                                        std::string("addListItem('remainingList', '") + kEight144x32 + "');",
                                        std::string("addListItem('remainingList', '") + kEight144 + "');"}));
    EXPECT_FALSE(old("1.8.0_121", 64).registered());
    ASSERT_EQ(data.uninstalled().size(), 2u);
    EXPECT_EQ(data.uninstalled()[0].version.version.text(), "1.8.0_101");
    EXPECT_NE(data.uninstalled()[0].exitCode, 0);
    EXPECT_EQ(data.uninstalled()[1].exitCode, 0);
    const auto errors = messagesAt(logText(), "ERROR");
    EXPECT_TRUE(contains(errors, "Out-of-date Orun uninstall error: 1.8.0_101"));
    const auto info = messagesAt(logText(), "INFO");
    EXPECT_TRUE(contains(info, "Out-of-date Orun removed: 1.8.0_121-b13"));
    EXPECT_TRUE(contains(info, "Out-of-date Orun remaining: 1.8.0_101"));
}

// Without a player every page fails to load here, as it would on a machine
// whose browser control cannot show it: the first page counts as Remind Me Later.
TEST_F(Sequence, AFirstPageThatCannotBeShownKeepsEverything) {
    const OrunScrubPingData data = qscrub::runSequence();
    for (const OldRuntime& r : runtimes_) EXPECT_TRUE(r.registered()) << r.version;
    EXPECT_EQ(texts(data.kept()), kOutOfDate);
    EXPECT_TRUE(data.uninstalled().empty());
    const auto errors = messagesAt(logText(), "ERROR");
    EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [](const std::string& m) {
        return m.rfind("Cannot show the page ", 0) == 0 && m.find("/orunscrub.html: ") != std::string::npos;
    })) << logText();
}

// A download that fails ends the sequence with its exception logged.
TEST_F(Sequence, ADocumentThatCannotBeHadEndsTheSequence) {
    server().serve(kDocumentPath, "gone", "status=404");
    ScriptedPlayer player({});
    const OrunScrubPingData data = qscrub::runSequence();
    EXPECT_TRUE(player.shown.empty());
    EXPECT_EQ(data.available().size(), 5u);
    const auto errors = messagesAt(logText(), "ERROR");
    EXPECT_EQ(std::count_if(errors.begin(), errors.end(),
                            [](const std::string& m) { return m.rfind("Exception with message '", 0) == 0; }),
              1)
        << logText();
}
