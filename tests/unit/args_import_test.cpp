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
    // The given MSI_CMDLINE first, then the passed-through arguments; the log and quiet switches never.
    EXPECT_EQ(config.stringValue("MSI_CMDLINE"), "A=1 ADDLOCAL=Runtime");
    EXPECT_EQ(config.stringValue("ADDLOCAL"), "Runtime");

    CatalogueConfig lastLog;
    const auto missing = import(lastLog, {"/l"});
    EXPECT_EQ(missing.code, 313);
    EXPECT_EQ(missing.errors, "\"/l\";");
    EXPECT_EQ(lastLog.log.front(), "arg /l is incorrect");
}

TEST(ArgsImport, QuietSwitchesNeverReachThePackageText) {
    for (const char* silent : {"/q", "/qn", "/quiet", "/QN", "/Quiet"}) {
        CatalogueConfig config;
        const auto result = import(config, {silent, "REBOOT=Force"});
        EXPECT_EQ(result.code, 0) << silent << result.errors;
        EXPECT_TRUE(config.hasKey("/q")) << silent;
        EXPECT_FALSE(result.packageUi) << silent;
        EXPECT_EQ(config.stringValue("MSI_CMDLINE"), "REBOOT=Force") << silent;
    }

    const std::pair<const char*, cfg::PackageUi> levels[] = {{"/qb", cfg::PackageUi::Basic},
                                                             {"/qb!", cfg::PackageUi::BasicNoCancel},
                                                             {"/qr", cfg::PackageUi::Reduced},
                                                             {"/QF", cfg::PackageUi::Full}};
    for (const auto& [level, ui] : levels) {
        CatalogueConfig config;
        const auto result = import(config, {level});
        EXPECT_EQ(result.code, 0) << level << result.errors;
        EXPECT_EQ(result.packageUi, ui) << level;
        EXPECT_FALSE(config.hasKey("/q")) << level << " is no silent run";
        EXPECT_FALSE(config.hasKey("MSI_CMDLINE")) << level;
    }
    CatalogueConfig both;
    EXPECT_EQ(import(both, {"/qf", "/qb!"}).packageUi, cfg::PackageUi::BasicNoCancel);  // the last one counts

    // Forms the launcher cannot honour are faulty switches, not text for the package.
    CatalogueConfig unknown;
    const auto faulty = import(unknown, {"/qn+", "/qz", "/s"});
    EXPECT_EQ(faulty.code, 313);
    EXPECT_EQ(faulty.errors, "\"/qn+\";\"/qz\";");
    EXPECT_EQ(unknown.log.front(), "arg /qn+ is not supported");
    EXPECT_FALSE(unknown.hasKey("/q"));
    EXPECT_FALSE(unknown.hasKey("MSI_CMDLINE"));
}

TEST(ArgsImport, HelpAndNoRestartAreSwitches) {
    CatalogueConfig config;
    const auto result = import(config, {"/?", "/help", "/norestart"});
    EXPECT_EQ(result.code, 0) << result.errors;
    EXPECT_TRUE(config.hasKey("/?"));
    EXPECT_TRUE(config.hasKey("/help"));
    EXPECT_TRUE(config.hasKey("/norestart"));
    EXPECT_FALSE(config.hasKey("MSI_CMDLINE"));

    // Stored as typed, as "/S" is: another letter case is a faulty switch.
    CatalogueConfig typed;
    EXPECT_EQ(import(typed, {"/S", "/NORESTART"}).errors, "\"/S\";\"/NORESTART\";");
    EXPECT_EQ(import(typed, {"/norestart=1"}).errors, "\"/norestart=1\";");
}

TEST(ArgsImport, TextsOutsideTheAnsiCodePageAreFaultyArguments) {
    CatalogueConfig config;
    const std::string umlaut = "INSTALLDIR=C:\\Pr\xC3\xBC" "fung";
    const std::string japanese = "INSTALLDIR=C:\\\xE6\x97\xA5\xE6\x9C\xAC";  // U+65E5 U+672C
    const std::string cyrillicLog = "C:\\\xD0\xBB\xD0\xBE\xD0\xB3.log";      // U+043B U+043E U+0433
    const auto result = import(config, {umlaut, japanese, "/l", cyrillicLog, "CMDLINE=A=\xC3\xA9"});
    EXPECT_EQ(result.code, 313);
    // Named as typed, the log file's path too.
    EXPECT_EQ(result.errors, "\"" + japanese + "\";\"" + cyrillicLog + "\";");
    EXPECT_EQ(config.log.front(), "arg " + japanese + " is not in the ANSI code page");
    EXPECT_FALSE(result.msiLogFile);
    // Stored in UTF-8, as the settings library holds text.
    EXPECT_EQ(config.stringValue("INSTALLDIR"), "C:\\Pr\xC3\xBC" "fung");
    EXPECT_EQ(config.stringValue("CMDLINE"), "A=\xC3\xA9");
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
