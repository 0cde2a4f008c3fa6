#include <gtest/gtest.h>

#include "catalogue_config.h"
#include "config/args_import.h"

namespace {
cfg::ArgsImportResult import(CatalogueConfig& config, std::vector<std::string> args) {
    args.insert(args.begin(), "ovxoffline.exe");
    return cfg::importArguments(args, config);
}
}  // namespace

TEST(ArgsImport, KeyCaseIsIgnoredValueCaseKept) {
    CatalogueConfig config;
    const auto result = import(config, {"install_silent=Enable", "Web_Analytics:0", "/lang:1031", "WEB_ORUN_SECURITY_LEVEL=VH"});
    EXPECT_EQ(result.code, 0) << result.errors;
    EXPECT_EQ(config.stringValue("INSTALL_SILENT"), "Enable");
    EXPECT_EQ(config.intValue("INSTALL_SILENT"), 1);
    EXPECT_EQ(config.intValue("WEB_ANALYTICS"), 0);
    EXPECT_EQ(config.intValue("/lang"), 1031);
    EXPECT_EQ(config.intValue("WEB_ORUN_SECURITY_LEVEL"), 4);
}

TEST(ArgsImport, FaultyArgumentsAreListedInOrder) {
    CatalogueConfig config;
    const auto result = import(config, {"INSTALL_SILENT=enable", "BOGUS=1", "/S", "WEB_ORUN_SECURITY_LEVEL=5", "INSTALLDIR=relative\\dir",
                                        "EULA=Enable"});
    EXPECT_EQ(result.code, 313);
    EXPECT_EQ(result.errors, "\"INSTALL_SILENT=enable\";\"BOGUS=1\";\"/S\";\"WEB_ORUN_SECURITY_LEVEL=5\";\"INSTALLDIR=relative\\dir\";");
    EXPECT_EQ(config.stringValue("EULA"), "Enable");  // good arguments still count
    EXPECT_FALSE(config.hasKey("/s"));
}

TEST(ArgsImport, SwitchesPassthroughAndTheLogFile) {
    CatalogueConfig config;
    const auto result = import(config, {"/s", "/qn", "ADDLOCAL=Runtime", "/l*v", "C:\\logs\\msi.log", "MSI_CMDLINE=A=1"});
    EXPECT_EQ(result.code, 0) << result.errors;
    EXPECT_TRUE(config.hasKey("/s"));
    EXPECT_TRUE(config.hasKey("/q"));
    EXPECT_FALSE(config.hasKey("/l"));
    EXPECT_EQ(result.msiLogFile, "C:\\logs\\msi.log");
    // The given MSI_CMDLINE first, then the passed-through arguments; the log switch never.
    EXPECT_EQ(config.stringValue("MSI_CMDLINE"), "A=1 /qn ADDLOCAL=Runtime");
    EXPECT_EQ(config.stringValue("ADDLOCAL"), "Runtime");

    CatalogueConfig lastLog;
    const auto missing = import(lastLog, {"/l"});
    EXPECT_EQ(missing.code, 313);
    EXPECT_EQ(missing.errors, "\"/l\";");
    EXPECT_EQ(lastLog.log.front(), "arg /l is incorrect");
}

TEST(ArgsImport, ImportingTwiceGivesTheSameCommandLine) {
    CatalogueConfig config;
    import(config, {"ADDLOCAL=Runtime", "REBOOT=ReallySuppress"});
    import(config, {"ADDLOCAL=Runtime", "REBOOT=ReallySuppress"});
    EXPECT_EQ(config.stringValue("MSI_CMDLINE"), "ADDLOCAL=Runtime REBOOT=ReallySuppress");
}

TEST(ArgsImport, FilesNeedValuesAndStayValidated) {
    CatalogueConfig config;
    EXPECT_EQ(config.load("EULA=Enable\nSPONSORS:Disable\n", false), 0);
    EXPECT_EQ(config.load("EULA=Enable\nthis line has no separator\n", false), 313);
    EXPECT_EQ(config.load("USAGETRACKER=1\n", false), 313);  // outside the catalogue
    EXPECT_EQ(config.load("INSTALLDIR=\\\\server\\share\n", false), 313);  // no UNC folders
}
