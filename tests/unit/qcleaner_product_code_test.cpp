#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "scrub/product_code.h"

using qscrub::productCode;

namespace {

const std::string kNew = "9B3D71F2-4C6E-4A85-93D1-6E";  // the new forms' common start

std::string raised(const std::string& version) {
    try {
        productCode(version, 64, false);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no exception)";
}

// Registry keys and msiexec results of a pretend machine; every run is recorded.
struct FakeMachine {
    std::set<std::pair<std::string, int>> keys;
    std::map<std::string, int> results;  // by product code; others end with 1605
    std::vector<std::string> runs;

    qscrub::UninstallSteps steps() {
        return {[this](const std::string& key, int arch) { return keys.count({key, arch}) != 0; },
                [this](const std::string& code, int& exitCode) {
                    runs.push_back(code);
                    auto it = results.find(code);
                    exitCode = it == results.end() ? 1605 : it->second;
                    return exitCode == 0 || exitCode == 3010;
                }};
    }
    void registerVersion(const std::string& version, int arch) {
        keys.insert({"Software\\OrunSoft\\Orun Runtime Environment\\" + version, arch});
    }
};

}  // namespace

TEST(ProductCode, EachVersionRangeHasItsForm) {
    struct Case {
        const char* version;
        int arch;
        bool anyUpdate;
        std::string code;
    };
    const Case cases[] = {
        // 1.4.2 family: no bitness in the code.
        {"1.4.2_05", 32, false, "{5E0B93C1-2A47-11D6-B3C8-00C4E1142050}"},
        {"1.4.2_05", 64, false, "{5E0B93C1-2A47-11D6-B3C8-00C4E1142050}"},
        {"1.4.2", 64, false, "{5E0B93C1-2A47-11D6-B3C8-00C4E1142000}"},
        // Bitness in front of the old suffix, up to 1.6.0_10.
        {"1.5.0_10", 32, false, "{320B93C1-2A47-11D6-B3C8-00C4E1150100}"},
        {"1.6.0_05", 64, false, "{640B93C1-2A47-11D6-B3C8-00C4E1160050}"},
        {"1.6.0_07", 64, false, "{640B93C1-2A47-11D6-B3C8-00C4E1160070}"},
        {"1.6.0_09-b99", 64, false, "{640B93C1-2A47-11D6-B3C8-00C4E1160090}"},
        // The any-update form of an old code is one character too long: it is tried anyway.
        {"1.6.0_05", 64, true, "{640B93C1-2A47-11D6-B3C8-00C4E116005FF}"},
        // The new forms from 1.6.0_10 on.
        {"1.6.0_10", 64, false, "{" + kNew + "86416010F0}"},
        {"1.7.0_59", 64, false, "{" + kNew + "86417059F0}"},
        {"1.7.0_60", 64, false, "{" + kNew + "06417060F0}"},
        {"1.7.0_71", 64, false, "{" + kNew + "06417071F0}"},
        {"1.7.0_72", 64, false, "{" + kNew + "86417072F0}"},
        {"1.8.0_60", 64, false, "{" + kNew + "86418060F0}"},  // the "0" form is 1.7 only
        {"1.8.0_45", 64, false, "{" + kNew + "86418045F0}"},
        {"1.8.0_101", 32, false, "{" + kNew + "32180101F0}"},
        {"1.8.0_101", 32, true, "{" + kNew + "32180101FF}"},
        {"1.8.0_151", 64, false, "{" + kNew + "64180151F0}"},
        // Our own package (packages/runtime/runtime.wxs).
        {"1.9.0-ea-b55", 64, false, "{9B3D71F2-4C6E-4A85-93D1-6E86419000F0}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(productCode(c.version, c.arch, c.anyUpdate), c.code) << c.version << "/" << c.arch << "/" << c.anyUpdate;
    }
}

TEST(ProductCode, VersionsBelow142AndUnreadableTextsRaise) {
    const std::string what = raised("1.4.1_07");
    EXPECT_EQ(what.find("product_code.cpp("), 0u) << what;
    EXPECT_NE(what.find("(): Orun version less than 1.4.2 is not supported"), std::string::npos) << what;
    EXPECT_NE(raised("1.3.1"), "(no exception)");
    EXPECT_NE(raised("1.8.x"), "(no exception)");
}

TEST(UninstallSequence, AnExactCodeFailureScansTheUpdatesDownToZero) {
    FakeMachine machine;
    machine.registerVersion("1.8.0_20", 64);
    int exitCode = -7;
    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_20", 64, exitCode, machine.steps()));
    ASSERT_EQ(machine.runs.size(), 22u);
    EXPECT_EQ(machine.runs[0], "{" + kNew + "86418020F0}");
    EXPECT_EQ(machine.runs[1], "{" + kNew + "86418020FF}");
    EXPECT_EQ(machine.runs[2], "{" + kNew + "86418019FF}");
    EXPECT_EQ(machine.runs[21], "{" + kNew + "86418000FF}");
    EXPECT_EQ(exitCode, 1605);

    // The first run that ends with 0 or 3010 ends the scan; its code is the result.
    machine.runs.clear();
    machine.results["{" + kNew + "86418017FF}"] = 3010;
    machine.results["{" + kNew + "86418016FF}"] = 0;
    EXPECT_TRUE(qscrub::uninstallRuntime("1.8.0_20", 64, exitCode, machine.steps()));
    EXPECT_EQ(machine.runs.size(), 5u);
    EXPECT_EQ(exitCode, 3010);

    machine.runs.clear();
    machine.results["{" + kNew + "86418020F0}"] = 0;
    EXPECT_TRUE(qscrub::uninstallRuntime("1.8.0_20", 64, exitCode, machine.steps()));
    EXPECT_EQ(machine.runs, std::vector<std::string>{"{" + kNew + "86418020F0}"});
    EXPECT_EQ(exitCode, 0);

    // A version without an update scans update 0 of its family once.
    machine.runs.clear();
    EXPECT_FALSE(qscrub::uninstallByUpdateScan("1.9.0-ea-b55", 32, exitCode, machine.steps()));
    EXPECT_EQ(machine.runs, std::vector<std::string>{"{" + kNew + "83219000FF}"});
}

TEST(UninstallSequence, MissingKeysOldFormsAndUnsupportedVersions) {
    FakeMachine machine;
    machine.registerVersion("1.8.0_20", 32);  // the other view only
    int exitCode = -7;
    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_20", 64, exitCode, machine.steps()));
    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_20", 0, exitCode, machine.steps()));
    EXPECT_TRUE(machine.runs.empty());
    EXPECT_EQ(exitCode, -7);

    // Below 1.6.0_10 only the exact code is tried.
    machine.registerVersion("1.6.0_05", 32);
    EXPECT_FALSE(qscrub::uninstallRuntime("1.6.0_05", 32, exitCode, machine.steps()));
    EXPECT_EQ(machine.runs, std::vector<std::string>{"{320B93C1-2A47-11D6-B3C8-00C4E1160050}"});
    EXPECT_EQ(exitCode, 1605);

    machine.runs.clear();
    machine.registerVersion("1.4.1_07", 32);
    EXPECT_THROW(qscrub::uninstallRuntime("1.4.1_07", 32, exitCode, machine.steps()), std::runtime_error);
    EXPECT_TRUE(machine.runs.empty());
}
