#include "config/setting_keys.h"

namespace cfg {
namespace {
const char* const kBoolNames[BOOL_KEY_COUNT] = {
    "INSTALL_SILENT", "STATIC", "AUTO_UPDATE", "SPONSORS", "WEB_ORUN", "WEB_ANALYTICS", "EULA", "OEMUPDATE",
    "DYNAMICBASELINEOFF", "NO_VERIFY", "REPAIRMODE", "LAUNCHEDFROMODK", "FAMILYUPGRADE", "RUNONCE", "PIP",
    "REINSTALL_NO_PROMPT", "TEST_FINAL_DIALOG", "TEST_PROGRESS_DIALOG", "TEST_WELCOME_DIALOG", "TEST_CHANGE_DIALOG",
    "TEST_SETUPERROR_DIALOG", "TEST_ERRORHELP_DIALOG", "TEST_RETRYSPLASH_DIALOG", "NOSTARTMENU"};
const char* const kIntNames[INT_KEY_COUNT] = {"WEB_ORUN_SECURITY_LEVEL", "/lang", "TEST_CONFIG_FILE_ERRORS"};
const char* const kStringNames[STRING_KEY_COUNT] = {
    "INSTALLDIR", "/INSTALLDIRPUBOVX", "INSTALLCFG", "COUNTRYOVERRIDE", "/installurl", "/installmethod", "SPONSORPREF",
    "ADDLOCAL", "REBOOT", "USAGETRACKER_CFG", "DEPLOYMENT_RULE_SET", "MSI_CMDLINE", "CMDLINE"};
}  // namespace

const char* nameOf(BoolKey key) { return kBoolNames[key]; }
const char* nameOf(IntKey key) { return kIntNames[key]; }
const char* nameOf(StringKey key) { return kStringNames[key]; }

}  // namespace cfg
