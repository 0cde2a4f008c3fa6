#include "config/arg_catalogue.h"

#include "base/tstrings.h"

namespace cfg {

const char* const kDefaultSettings =
    "INSTALL_SILENT=Disable\nSTATIC=Disable\nAUTO_UPDATE=Enable\nWEB_ANALYTICS=Enable\nEULA=Disable\nSPONSORS=Enable\n"
    "OEMUPDATE=Disable\n";

const std::vector<ArgDescriptor>& catalogue() {
    using K = ValueKind;
    //                name                       kind              pers   prop   pass   prefix ent
    static const std::vector<ArgDescriptor> entries = {
        {"INSTALL_SILENT", K::Boolean, true, true, false, false, false},
        {"STATIC", K::Boolean, false, true, false, false, false},
        {"AUTO_UPDATE", K::Boolean, true, true, false, false, false},
        {"SPONSORS", K::Boolean, true, true, false, false, false},
        {"WEB_ORUN", K::Boolean, false, true, false, false, false},
        {"WEB_ANALYTICS", K::Boolean, true, true, false, false, false},
        {"EULA", K::Boolean, true, true, false, false, false},
        {"OEMUPDATE", K::Boolean, false, true, false, false, false},
        {"DYNAMICBASELINEOFF", K::Boolean, false, false, false, false, false},
        {"NO_VERIFY", K::Boolean, false, false, false, false, false},
        {"REPAIRMODE", K::Boolean, false, true, false, false, false},
        {"LAUNCHEDFROMODK", K::Boolean, false, false, false, false, false},
        {"FAMILYUPGRADE", K::Boolean, false, false, false, false, false},
        {"RUNONCE", K::Boolean, false, false, false, false, false},
        {"PIP", K::Boolean, false, true, false, false, false},
        {"REINSTALL_NO_PROMPT", K::Boolean, false, true, false, false, false},
        {"TEST_FINAL_DIALOG", K::Boolean, false, false, false, false, false},
        {"TEST_PROGRESS_DIALOG", K::Boolean, false, false, false, false, false},
        {"TEST_WELCOME_DIALOG", K::Boolean, false, false, false, false, false},
        {"TEST_CHANGE_DIALOG", K::Boolean, false, false, false, false, false},
        {"TEST_SETUPERROR_DIALOG", K::Boolean, false, false, false, false, false},
        {"TEST_ERRORHELP_DIALOG", K::Boolean, false, false, false, false, false},
        {"TEST_RETRYSPLASH_DIALOG", K::Boolean, false, false, false, false, false},
        {"NOSTARTMENU", K::Boolean, false, true, false, false, false},
        {"INSTALLDIR", K::DirectoryName, false, true, false, false, false},
        {"/INSTALLDIRPUBOVX", K::DirectoryName, false, true, false, false, false},
        {"INSTALLCFG", K::DirectoryName, false, true, false, false, false},
        {"COUNTRYOVERRIDE", K::String, false, false, false, false, false},
        {"/installurl", K::String, false, false, false, false, false},
        {"/installmethod", K::String, false, true, false, false, false},
        {"SPONSORPREF", K::String, false, false, false, false, false},
        {"ADDLOCAL", K::String, false, false, true, false, false},
        {"REBOOT", K::String, false, false, true, false, false},
        {"USAGETRACKER_CFG", K::DirectoryName, false, true, false, false, true},
        {"DEPLOYMENT_RULE_SET", K::DirectoryName, false, true, false, false, true},
        {"MSI_CMDLINE", K::String, false, false, false, false, false},
        {"CMDLINE", K::String, false, false, false, false, false},
        {"WEB_ORUN_SECURITY_LEVEL", K::SecurityLevel, false, true, false, false, false},
        {"/lang", K::Integer, false, false, false, false, false},
        {"TEST_CONFIG_FILE_ERRORS", K::Integer, false, false, false, false, false},
        {"/s", K::Switch, false, false, false, false, false},
        {"/h", K::Switch, false, false, false, false, false},
        {"-download", K::Switch, false, false, false, false, false},
        {"-no_override", K::Switch, false, false, false, false, false},
        {"/norestart", K::Switch, false, false, false, false, false},
        {"/?", K::Switch, false, false, false, false, false},
        {"/help", K::Switch, false, false, false, false, false},
        // The installer's own quiet forms; none of them may reach the package's property text.
        {"/q", K::Switch, false, false, false, true, false},
        {"/l", K::Switch, false, false, true, true, false},
    };
    return entries;
}

const ArgDescriptor* descriptorNamed(const std::string& name) {
    for (const ArgDescriptor& d : catalogue()) {
        if (name == d.name) return &d;
    }
    return nullptr;
}

const ArgDescriptor* matchArgument(const std::string& argument) {
    const size_t separator = argument.find_first_of("=:");
    const bool hasSeparator = separator != std::string::npos;
    const std::string name = tstrings::toLower(hasSeparator ? argument.substr(0, separator) : argument);
    for (const ArgDescriptor& d : catalogue()) {
        if ((d.kind == ValueKind::Switch) == hasSeparator) continue;
        const std::string own = tstrings::toLower(d.name);
        if (name == own || (d.prefix && name.compare(0, own.size(), own) == 0)) return &d;
    }
    return nullptr;
}

}  // namespace cfg
