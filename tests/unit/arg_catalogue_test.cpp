#include <gtest/gtest.h>

#include <set>

#include "config/arg_catalogue.h"
#include "config/setting_keys.h"

namespace {
std::string matched(const std::string& argument) {
    const cfg::ArgDescriptor* d = cfg::matchArgument(argument);
    return d ? d->name : "(none)";
}
}  // namespace

TEST(ArgCatalogue, KeysMatchIgnoringCaseWithEitherSeparator) {
    EXPECT_EQ(matched("INSTALL_SILENT=1"), "INSTALL_SILENT");
    EXPECT_EQ(matched("install_silent=Enable"), "INSTALL_SILENT");
    EXPECT_EQ(matched("Install_Silent:1"), "INSTALL_SILENT");
    EXPECT_EQ(matched("/lang:1031"), "/lang");
    EXPECT_EQ(matched("MSI_CMDLINE=A=B"), "MSI_CMDLINE");
    EXPECT_EQ(matched("CMDLINE=X"), "CMDLINE");  // not taken for MSI_CMDLINE
    EXPECT_EQ(matched("BOGUS=1"), "(none)");
    EXPECT_EQ(matched("INSTALLDIR"), "(none)");  // a key needs its separator
}

TEST(ArgCatalogue, SwitchesMatchOnlyWithoutSeparator) {
    EXPECT_EQ(matched("/s"), "/s");
    EXPECT_EQ(matched("/S"), "/s");  // matched, and then stored as typed
    EXPECT_EQ(matched("-download"), "-download");
    EXPECT_EQ(matched("/qn"), "/q");
    EXPECT_EQ(matched("/qb!"), "/q");
    EXPECT_EQ(matched("/quiet"), "/q");
    EXPECT_EQ(matched("/norestart"), "/norestart");
    EXPECT_EQ(matched("/?"), "/?");
    EXPECT_EQ(matched("/HELP"), "/help");
    EXPECT_EQ(matched("/l*v"), "/l");
    EXPECT_EQ(matched("/s=1"), "(none)");
}

TEST(ArgCatalogue, EntriesAndFlags) {
    const auto& entries = cfg::catalogue();
    ASSERT_EQ(entries.size(), 49u);
    std::set<std::string> names;
    for (const auto& d : entries) EXPECT_TRUE(names.insert(d.name).second) << d.name;
    // The keys the launcher reads by index are the catalogue's own names.
    for (int k = 0; k < cfg::BOOL_KEY_COUNT; ++k) EXPECT_NE(cfg::descriptorNamed(cfg::nameOf(cfg::BoolKey(k))), nullptr);
    for (int k = 0; k < cfg::INT_KEY_COUNT; ++k) EXPECT_NE(cfg::descriptorNamed(cfg::nameOf(cfg::IntKey(k))), nullptr);
    for (int k = 0; k < cfg::STRING_KEY_COUNT; ++k) EXPECT_NE(cfg::descriptorNamed(cfg::nameOf(cfg::StringKey(k))), nullptr);
    std::set<std::string> persistent;
    for (const auto& d : entries) {
        if (d.persistent) persistent.insert(d.name);
    }
    EXPECT_EQ(persistent, (std::set<std::string>{"INSTALL_SILENT", "AUTO_UPDATE", "SPONSORS", "WEB_ANALYTICS", "EULA"}));
    EXPECT_TRUE(cfg::descriptorNamed("USAGETRACKER_CFG")->enterpriseOnly);
    EXPECT_TRUE(cfg::descriptorNamed("ADDLOCAL")->passthrough);
    EXPECT_FALSE(cfg::descriptorNamed("ADDLOCAL")->property);
    // The installer refuses its own switches in the property text (1639).
    EXPECT_FALSE(cfg::descriptorNamed("/q")->passthrough);
}
