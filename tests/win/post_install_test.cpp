// The closing sequence after an interactive install: the runtime's deployment
// library (the one the package installs) asked through its records, the pages
// it chooses driven from a second thread, and the user's choice reaching it.
#include <gtest/gtest.h>

#include "base/win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"
#include "launcher/post_install.h"
#include "page_driver.h"
#include "product/deploy_lib_loader.h"
#include "product/registry_places.h"
#include "registry/registry.h"
#include "test_support.h"

namespace {

const wchar_t* const kComplete = L"Orun Setup - Complete";
const wchar_t* const kPlugin = L"Orun Setup - Browser Plug-in Disabled";
const wchar_t* const kRestore = L"Orun Setup - Restore Security Prompts";

const char kDeployState[] = "Software\\OrunSoft\\Orun Deployment";

// An installation folder with the package's deployment library in bin, its
// per-user state and steering under HKCU, and its call log.
class DeployLibrary : public ::testing::Test {
protected:
    DeployLibrary() : dir_("ovx_deploy_test"), log_(dir_) {}

    void SetUp() override {
        clearState();
        FileUtils::createDirectory(home() + "\\bin");
        ASSERT_TRUE(CopyFileA(OVX_DEPLOY_DLL, library().c_str(), FALSE));
        Registry(Registry::hkcu, std::string(kDeployState) + "\\Test", Registry::Write).setString("CallLog", callLog());
    }
    void TearDown() override { clearState(); }

    static void clearState() {
        Registry user(Registry::hkcu, "Software\\OrunSoft", Registry::Write);
        Registry deploy;
        if (deploy.tryOpen(user, "Orun Deployment", KEY_ALL_ACCESS) == ERROR_SUCCESS) {
            deploy.deleteSubkey("Decisions");
            deploy.deleteSubkey("Test");
        }
        user.deleteSubkey("Orun Deployment");
    }

    std::string home() const { return dir_.file("ovx"); }
    std::string library() const { return home() + "\\bin\\deploy.dll"; }
    std::string callLog() const { return dir_.file("calls.log"); }
    std::vector<std::string> calls() const { return lines(readFile(callLog())); }
    std::string logText() const { return log_.text(); }

    static Registry state() { return Registry(Registry::hkcu, kDeployState, Registry::Write); }
    static void pluginEnabled(bool enabled) { state().setDword("WebOrunEnabled", enabled ? 1 : 0); }
    static void rememberDecision() {
        Registry(Registry::hkcu, std::string(kDeployState) + "\\Decisions", Registry::Write).setDword("host.example", 1);
    }
    static bool decisionsRemembered() { return Registry(Registry::hkcu, kDeployState).exists("Decisions"); }
    static void force(const char* kind, const char* answer) {
        Registry(Registry::hkcu, std::string(kDeployState) + "\\Test", Registry::Write).setString(kind, answer);
    }

    // What the library recorded of a call: its request and response fields.
    static std::string fields(const std::string& call) {
        const size_t from = call.find(" request="), to = call.find(" layout=");
        return call.substr(from + 1, to - from - 1);
    }
    static std::string field(const std::string& call, const std::string& name) {
        const size_t from = call.find(" " + name + "=") + name.size() + 2;
        // The module's path comes last and may hold blanks.
        return name == "module" ? call.substr(from) : call.substr(from, call.find(' ', from) - from);
    }

    ScratchDir dir_;
    CapturedLog log_;
};

TEST_F(DeployLibrary, ItReceivesTheRecordsAsLaidOutAndAnswersFromItsState) {
    pluginEnabled(false);
    rememberDecision();
    DeployLibLoader deploy(home());
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::userWebOrunStatus, 0), 0);
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::userPreviousDecisionsExist, 30), 1);
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::clearUserPreviousDecisions, 30), 1);
    EXPECT_FALSE(decisionsRemembered());
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::userPreviousDecisionsExist, 30), 0);
    rememberDecision();
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::resetUserPreviousDecisions, 0), 1);
    EXPECT_TRUE(decisionsRemembered()) << "a reset keeps the decisions";
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::userPreviousDecisionsExist, 30), 0)
        << "and marks them reviewed";

    const auto recorded = calls();
    ASSERT_EQ(recorded.size(), 6u) << readFile(callLog());
    const char* const expected[] = {
        "request=44,4,0,0,2 kinds=1,0,0,0 argument=0 response=0,1,0,set",
        "request=44,4,0,0,2 kinds=0,1,0,0 argument=30 response=0,1,0,set",
        "request=44,4,0,0,2 kinds=0,0,1,0 argument=30 response=0,1,0,set",
        "request=44,4,0,0,2 kinds=0,1,0,0 argument=30 response=0,1,0,set",
        "request=44,4,0,0,2 kinds=0,0,0,1 argument=0 response=0,1,0,set",
        "request=44,4,0,0,2 kinds=0,1,0,0 argument=30 response=0,1,0,set",
    };
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(fields(recorded[i]), expected[i]) << i;
        EXPECT_EQ(field(recorded[i], "layout"), "ok") << i;
        EXPECT_EQ(tstrings::toLower(field(recorded[i], "module")), tstrings::toLower(library()));
    }

    const auto info = messagesAt(logText(), "INFO");
    for (const std::string& text : std::vector<std::string>{
             "RegisterDeployEx: query userWebOrunStatus", "RegisterDeployEx: query userPreviousDecisionsExist",
                             "RegisterDeployEx: query clearUserPreviousDecisions",
                             "RegisterDeployEx: query resetUserPreviousDecisions", "Calling RegisterDeployEx...",
                             "DeployLib path is " + library(), "DeployLibLoader: orunHome is " + home(),
                             "RegisterDeployEx call returned query_res = 0 ( 1 - yes/ok, 0 - no/(not found), -1 - error "
                             "during execution)"}) {
        EXPECT_TRUE(contains(info, text)) << text;
    }
}

TEST_F(DeployLibrary, AnErrorOrAFailingCallIsMinusOne) {
    DeployLibLoader deploy(home());
    force("userWebOrunStatus", "error");
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::userWebOrunStatus, 0), -1);
    force("userWebOrunStatus", "fail");
    EXPECT_EQ(deploy.QueryDeployForUserStatus(DeployLibLoader::userWebOrunStatus, 0), -1);
    EXPECT_EQ(messagesAt(logText(), "ERROR"), std::vector<std::string>{"RegisterDeployEx call failed"});
    // A kind the library does not know sets no flag, which the library refuses.
    EXPECT_EQ(deploy.QueryDeployForUserStatus(7, 0), -1);
    ASSERT_EQ(calls().size(), 3u);
    EXPECT_EQ(field(calls()[2], "layout"), "request");
}

TEST_F(DeployLibrary, ItAnswersErrorToARecordWithAFieldOff) {
    UniqueModule module(LoadLibraryA(library().c_str()));
    ASSERT_TRUE(module.get());
    using Fn = int(void*, void*);
    auto* call = reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module.get(), "RegisterDeployEx")));
    ASSERT_TRUE(call);
    rememberDecision();

    struct Case {
        const char* name;
        void (*spoil)(DeployQueryRequest&, DeployQueryResponse&);
    };
    const Case cases[] = {
        {"correct", [](DeployQueryRequest&, DeployQueryResponse&) {}},
        {"size", [](DeployQueryRequest& r, DeployQueryResponse&) { r.size = 40; }},
        {"field 4", [](DeployQueryRequest& r, DeployQueryResponse&) { r.field4 = 0; }},
        {"field 20", [](DeployQueryRequest& r, DeployQueryResponse&) { r.field20 = 4; }},
        {"two kinds", [](DeployQueryRequest& r, DeployQueryResponse&) { r.userWebOrunStatus = 1; }},
        {"count", [](DeployQueryRequest&, DeployQueryResponse& p) { p.count = 2; }},
        {"result not zeroed", [](DeployQueryRequest&, DeployQueryResponse& p) { p.results->reserved[3] = 1; }},
    };
    for (const Case& c : cases) {
        DeployQueryResult result;
        DeployQueryResponse response;
        response.results = &result;
        DeployQueryRequest request;
        request.userPreviousDecisionsExist = 1;
        request.argument = 30;
        c.spoil(request, response);
        EXPECT_EQ(call(&request, &response), 1) << c.name;
        EXPECT_EQ(result.answer, std::string(c.name) == "correct" ? 1 : -1) << c.name;
    }
    // The argument one field early, where the kind flags end.
    unsigned char shifted[44] = {44, 0, 0, 0, 4};
    shifted[20] = 2;
    shifted[28] = 1;
    shifted[36] = 30;
    DeployQueryResult result;
    DeployQueryResponse response;
    response.results = &result;
    EXPECT_EQ(call(shifted, &response), 1);
    EXPECT_EQ(result.answer, -1);
}

TEST_F(DeployLibrary, AMissingFolderLibraryOrFunctionIsLoggedAndRaised) {
    const auto raised = [](const std::string& folder) {
        try {
            DeployLibLoader deploy(folder);
        } catch (const DeployLibLoader::DeployLibLoaderError& e) {
            return std::string(e.what());
        }
        return std::string("nothing raised");
    };
    auto ends = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(ends(raised(""), "orunHome is empty. Fail to load deploy lib")) << raised("");
    EXPECT_EQ(messagesAt(logText(), "ERROR"), std::vector<std::string>{"orunHome is empty. Fail to load deploy lib."});

    // A deploy.dll beside this program (in the build tree the package's own
    // lies there already) is never the one loaded.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string planted = FileUtils::dirname(self) + "deploy.dll";
    const bool placed = GetFileAttributesA(planted.c_str()) == INVALID_FILE_ATTRIBUTES &&
                        CopyFileA(OVX_DEPLOY_DLL, planted.c_str(), TRUE);
    ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string missing = raised(dir_.file("nothing"));
    if (placed) DeleteFileA(planted.c_str());
    EXPECT_TRUE(ends(missing, "Failed to load Deploy library")) << missing;

    // A library without the function.
    ASSERT_TRUE(CopyFileA(OVX_LIBRARY_WITHOUT_DEPLOY, library().c_str(), FALSE));
    const std::string noFunction = raised(home());
    EXPECT_TRUE(ends(noFunction, "Failed to GetProcAddress(RegisterDeployEx)")) << noFunction;
    EXPECT_TRUE(calls().empty());
}

// Pages that answer from a script and note which of them was shown.
class ScriptedPage : public IDialog {
public:
    ScriptedPage(int index, std::vector<INT_PTR>& script, std::vector<int>& shown)
        : index_(index), script_(script), shown_(shown) {}
    INT_PTR showModal() override {
        shown_.push_back(index_);
        if (script_.empty()) return IDCANCEL;
        const INT_PTR result = script_.front();
        script_.erase(script_.begin());
        return result;
    }

private:
    int index_;
    std::vector<INT_PTR>& script_;
    std::vector<int>& shown_;
};

std::vector<int> walk(std::vector<INT_PTR> script, size_t pageCount = 3) {
    std::vector<int> shown;
    std::vector<ScriptedPage> pages;
    for (size_t i = 0; i < pageCount; ++i) pages.emplace_back(static_cast<int>(i), script, shown);
    std::vector<IDialog*> list;
    for (auto& page : pages) list.push_back(&page);
    ShowDialogs(list);
    EXPECT_TRUE(script.empty()) << "pages left unshown";
    return shown;
}

TEST(ShowDialogs, NextBackCancelAndAnythingElseMoveAsTheLoopSays) {
    EXPECT_EQ(walk({IDOK, IDC_BACK, IDOK, IDOK, IDC_BACK, IDOK, IDOK}), (std::vector<int>{0, 1, 0, 1, 2, 1, 2}));
    EXPECT_EQ(walk({IDC_BACK}), std::vector<int>{0}) << "Back from the first page leaves";
    EXPECT_EQ(walk({IDCANCEL}), std::vector<int>{0});
    EXPECT_EQ(walk({IDOK, IDCANCEL}), (std::vector<int>{0, 1}));
    EXPECT_EQ(walk({IDOK, 0, 7, IDOK, IDOK}), (std::vector<int>{0, 1, 1, 1, 2})) << "other results show it again";
    EXPECT_EQ(walk({IDOK, -1}), (std::vector<int>{0, 1})) << "a page that cannot be shown ends the loop";
}

// The whole sequence with the real pages.
class ClosingSequence : public DeployLibrary {
protected:
    void SetUp() override {
        DeployLibrary::SetUp();
        Resource::setUiLanguage(1033);
    }
    void finish(const std::string& folder = std::string()) {
        FinishUIInstallationWithSecurityPrompts(folder.empty() ? home() : folder, true, false, "qoff");
    }
    // The index of each page shown, from the loop's log lines.
    std::vector<std::string> panes() const {
        std::vector<std::string> out;
        for (const auto& m : messagesAt(logText(), "INFO")) {
            if (m.rfind("ShowDialogs: pane index is ", 0) == 0) out.push_back(m.substr(27));
        }
        return out;
    }
};

TEST_F(ClosingSequence, PluginAndRestorePagesComeFirstAndAnUntickedBoxResets) {
    pluginEnabled(false);
    rememberDecision();
    Seen plugin, restore, restoreAgain, complete;
    std::thread driver([&] {
        plugin = readAndClick(kPlugin, IDOK);
        restore = readAndClick(kRestore, IDC_BACK);
        click(waitForWindow(kPlugin), IDOK);
        HWND page = waitForWindow(kRestore);
        SendMessageW(GetDlgItem(page, IDC_RESTORE_BOX), BM_SETCHECK, BST_UNCHECKED, 0);
        click(page, IDOK);
        complete = readAndClick(kComplete, IDC_BACK);
        restoreAgain = readAndClick(kRestore, IDOK);
        click(waitForWindow(kComplete), IDCANCEL);
    });
    finish();
    driver.join();

    ASSERT_TRUE(plugin.found && restore.found && complete.found && restoreAgain.found);
    EXPECT_EQ(plugin.visible.count(IDC_BACK), 0u) << "the plug-in page has no Back";
    EXPECT_TRUE(restore.visible[IDC_BACK]);
    EXPECT_TRUE(restore.checked[IDC_RESTORE_BOX]) << "the box starts ticked";
    EXPECT_FALSE(restoreAgain.checked[IDC_RESTORE_BOX]) << "Back keeps the box as left";
    EXPECT_TRUE(complete.visible[IDC_BACK]);
    EXPECT_FALSE(complete.visible[IDC_COMPLETE_VERIFY_TEXT]);
    EXPECT_EQ(panes(), (std::vector<std::string>{"0", "1", "0", "1", "2", "1", "2"}));

    const auto recorded = calls();
    ASSERT_EQ(recorded.size(), 3u) << readFile(callLog());
    EXPECT_EQ(field(recorded[2], "kinds"), "0,0,0,1");
    EXPECT_EQ(field(recorded[2], "argument"), "0");
    EXPECT_TRUE(decisionsRemembered());
    const auto info = messagesAt(logText(), "INFO");
    for (const char* text : {"isOrunPluginDisabled() succeed", "isPreviousSecurityDecisionsExist() succeed",
                             "Adding OrunPlugin pane. It will be shown.", "Adding  RestoreSecurity pane. It will be shown.",
                             "The installer will display the Setup Complete dialog", "Cancel is pushed, exit ShowDialogs",
                             "The Setup Complete dialog is closed",
                             "Checkbox for restoreSecurityPrompts is NOT selected. Calling deploy to "
                             "doResetUserPreviousDecisions...",
                             "doResetUserPreviousDecisions() succeed"}) {
        EXPECT_TRUE(contains(info, text)) << text;
    }
}

TEST_F(ClosingSequence, CloseOnTheCompletionPageClearsWithTheBoxTicked) {
    rememberDecision();
    Seen restore;
    std::thread driver([&] {
        restore = readAndClick(kRestore, IDOK);
        click(waitForWindow(kComplete), IDCANCEL);
    });
    finish();
    driver.join();
    ASSERT_TRUE(restore.found);
    EXPECT_FALSE(restore.visible[IDC_BACK]) << "nothing comes before it";
    const auto recorded = calls();
    ASSERT_EQ(recorded.size(), 3u) << readFile(callLog());
    EXPECT_EQ(field(recorded[2], "kinds"), "0,0,1,0");
    EXPECT_EQ(field(recorded[2], "argument"), "30");
    EXPECT_FALSE(decisionsRemembered());
    EXPECT_TRUE(contains(messagesAt(logText(), "INFO"), "isOrunPluginDisabled() return false"));
}

TEST_F(ClosingSequence, OnlyAnAnswerOfZeroShowsThePluginPage) {
    for (const char* answer : {"error", "fail", "yes"}) {
        force("userWebOrunStatus", answer);
        Seen complete;
        std::thread driver([&] {
            complete = readAndClick(kComplete, IDCANCEL);
        });
        finish();
        driver.join();
        ASSERT_TRUE(complete.found) << answer;
        EXPECT_FALSE(complete.visible[IDC_BACK]) << answer;
        EXPECT_EQ(FindWindowW(nullptr, kPlugin), nullptr);
    }
    EXPECT_EQ(panes(), (std::vector<std::string>{"0", "0", "0"}));
}

TEST_F(ClosingSequence, WithoutAFolderOrALibraryOnlyTheCompletionPageShows) {
    Registry runtimes;
    if (runtimes.tryOpen(Registry::hklm64, std::string(kRuntimesKey) + "\\1.9.0", KEY_READ) == ERROR_SUCCESS) {
        GTEST_SKIP() << "a 1.9.0 runtime is registered";
    }
    pluginEnabled(false);
    rememberDecision();
    for (const std::string& folder : {std::string(), dir_.file("nothing")}) {
        Seen complete;
        std::thread driver([&] {
            complete = readAndClick(kComplete, IDCANCEL);
        });
        FinishUIInstallationWithSecurityPrompts(folder, true, false, "qoff");
        driver.join();
        ASSERT_TRUE(complete.found);
        EXPECT_FALSE(complete.visible[IDC_BACK]);
        if (folder.empty()) {
            // Besides the restart markers' lookups, which log a missing key themselves.
            auto errors = messagesAt(logText(), "ERROR");
            errors.erase(std::remove_if(errors.begin(), errors.end(),
                                        [](const std::string& m) { return m.rfind("Error Opening RegKey", 0) == 0; }),
                         errors.end());
            EXPECT_EQ(errors, std::vector<std::string>{"Cannot determine OrunHome"});
        }
    }
    EXPECT_TRUE(calls().empty());
    const auto errors = messagesAt(logText(), "ERROR");
    EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [](const std::string& m) {
        return m.find("DeployLibLoaderError in DeployLibLoader constructor") == 0 &&
               m.find("Failed to load Deploy library") != std::string::npos;
    }));
}

}  // namespace
