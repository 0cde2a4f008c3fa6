#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "product/registry_places.h"
#include "scrub/product_code.h"

using qscrub::productCode;

namespace {
const std::string kNew = "{9B3D71F2-4C6E-4A85-93D1-6E";  // the new forms' common start
const std::string kOld = "{5E0B93C1-2A47-11D6-B3C8-00C4E1";
}  // namespace

TEST(ProductCode, EachVersionRangeHasItsForm) {
    const std::map<std::string, std::string> cases = {
        {"1.4.2_05/32", kOld + "142050}"}, {"1.4.2_05/64", kOld + "142050}"},  // no bitness
        {"1.5.0_10/32", "{320B93C1-2A47-11D6-B3C8-00C4E1150100}"}, {"1.6.0_05/64", "{640B93C1-2A47-11D6-B3C8-00C4E1160050}"},
        {"1.6.0_07/64", "{640B93C1-2A47-11D6-B3C8-00C4E1160070}"}, {"1.6.0_09-b99/64", "{640B93C1-2A47-11D6-B3C8-00C4E1160090}"},
        {"1.6.0_10/64", kNew + "86416010F0}"}, {"1.7.0_59/64", kNew + "86417059F0}"}, {"1.7.0_60/64", kNew + "06417060F0}"},
        {"1.7.0_71/64", kNew + "06417071F0}"}, {"1.7.0_72/64", kNew + "86417072F0}"}, {"1.8.0_60/64", kNew + "86418060F0}"},
        {"1.8.0_45/64", kNew + "86418045F0}"}, {"1.8.0_101/32", kNew + "32180101F0}"}, {"1.8.0_151/64", kNew + "64180151F0}"},
        {"1.9.0-ea-b55/64", kNew + "86419000F0}"},  // packages/runtime/runtime.wxs
    };
    for (const auto& [key, code] : cases) {
        const std::size_t slash = key.find('/');
        EXPECT_EQ(productCode(key.substr(0, slash), std::stoi(key.substr(slash + 1)), false), code) << key;
    }
    EXPECT_EQ(productCode("1.8.0_101", 32, true), kNew + "32180101FF}");
    EXPECT_EQ(productCode("1.6.0_05", 64, true), "{640B93C1-2A47-11D6-B3C8-00C4E116005FF}");  // one character too long

    EXPECT_THAT([] { productCode("1.4.1_07", 64, false); },
                testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr("(): Orun version less than 1.4.2 is not supported")));
    EXPECT_THROW(productCode("1.8.x", 64, false), std::runtime_error);
}

TEST(UninstallSequence, ExactCodeThenTheUpdatesDownToZero) {
    const std::string key = std::string(kRuntimesKey) + "\\";
    const std::set<std::string> keys = {key + "1.8.0_20/64", key + "1.6.0_05/32", key + "1.4.1_07/32"};
    std::map<std::string, int> results;  // by product code; others end with 1605
    std::vector<std::string> runs;
    const qscrub::UninstallSteps steps{
        [&](const std::string& k, int arch) { return keys.count(k + "/" + std::to_string(arch)) != 0; },
        [&](const std::string& code, int& e) {
            runs.push_back(code);
            e = results.count(code) ? results[code] : 1605;
            return e == 0 || e == 3010;
        }};
    int exitCode = -7;
    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_20", 32, exitCode, steps));  // registered in the other view only
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(exitCode, -7);

    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_20", 64, exitCode, steps));
    ASSERT_EQ(runs.size(), 22u);
    EXPECT_EQ(runs[0], kNew + "86418020F0}");
    EXPECT_EQ(runs[1], kNew + "86418020FF}");
    EXPECT_EQ(runs[21], kNew + "86418000FF}");
    EXPECT_EQ(exitCode, 1605);

    runs.clear();  // the first run ending with 0 or 3010 ends the scan with its code
    results = {{kNew + "86418017FF}", 3010}, {kNew + "86418016FF}", 0}};
    EXPECT_TRUE(qscrub::uninstallRuntime("1.8.0_20", 64, exitCode, steps));
    EXPECT_EQ(runs.size(), 5u);
    EXPECT_EQ(exitCode, 3010);

    runs.clear();  // old forms: the exact code only
    EXPECT_FALSE(qscrub::uninstallRuntime("1.6.0_05", 32, exitCode, steps));
    EXPECT_EQ(runs, std::vector<std::string>{"{320B93C1-2A47-11D6-B3C8-00C4E1160050}"});
    runs.clear();  // no update: update 0 once
    EXPECT_FALSE(qscrub::uninstallByUpdateScan("1.9.0", 32, exitCode, steps));
    EXPECT_EQ(runs, std::vector<std::string>{kNew + "83219000FF}"});
    runs.clear();
    EXPECT_THROW(qscrub::uninstallRuntime("1.4.1_07", 32, exitCode, steps), std::runtime_error);
    EXPECT_TRUE(runs.empty());
}

// A runtime is listed by its full version but keeps its records under the
// version without the build: the removal finds it there.
TEST(UninstallSequence, AFullVersionFindsTheRecordsOfItsVersion) {
    const std::string key = std::string(kRuntimesKey) + "\\";
    std::vector<std::string> asked, runs;
    const qscrub::UninstallSteps steps{
        [&](const std::string& k, int arch) {
            asked.push_back(k.substr(key.size()) + "/" + std::to_string(arch));
            return k == key + "1.8.0_45" && arch == 64;
        },
        [&](const std::string& code, int& e) {
            runs.push_back(code);
            e = 0;
            return true;
        }};
    int exitCode = -7;
    EXPECT_TRUE(qscrub::uninstallRuntime("1.8.0_45-b15", 64, exitCode, steps));
    EXPECT_EQ(asked, (std::vector<std::string>{"1.8.0_45-b15/64", "1.8.0_45/64"}));
    EXPECT_EQ(runs, std::vector<std::string>{kNew + "86418045F0}"});
    EXPECT_EQ(exitCode, 0);

    asked.clear();
    runs.clear();
    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_45-b15", 32, exitCode = -7, steps));  // not in that view
    EXPECT_FALSE(qscrub::uninstallRuntime("1.8.0_46", 64, exitCode, steps));           // no build: asked once
    EXPECT_EQ(asked, (std::vector<std::string>{"1.8.0_45-b15/32", "1.8.0_45/32", "1.8.0_46/64"}));
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(exitCode, -7);
}
