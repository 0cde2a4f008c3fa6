#include "config/install_config_data.h"

#include <shellapi.h>

#include <stdexcept>
#include <vector>

#include "base/logger.h"
#include "base/resource.h"
#include "base/source_location.h"
#include "base/sys_error.h"
#include "base/tstrings.h"

namespace {

enum class Kind { Boolean, Integer, SecurityLevel, String, Switch };

struct ArgDescriptor {
    const char* name;
    Kind kind;
    bool property;
    bool passthrough;
    bool prefix;
};

// The keys and switches the launcher accepts, in catalogue order.
const ArgDescriptor kCatalogue[] = {
    {"INSTALL_SILENT", Kind::Boolean, true, false, false},
    {"STATIC", Kind::Boolean, true, false, false},
    {"AUTO_UPDATE", Kind::Boolean, true, false, false},
    {"SPONSORS", Kind::Boolean, true, false, false},
    {"WEB_ORUN", Kind::Boolean, true, false, false},
    {"WEB_ANALYTICS", Kind::Boolean, true, false, false},
    {"EULA", Kind::Boolean, true, false, false},
    {"OEMUPDATE", Kind::Boolean, true, false, false},
    {"DYNAMICBASELINEOFF", Kind::Boolean, false, false, false},
    {"NO_VERIFY", Kind::Boolean, false, false, false},
    {"REPAIRMODE", Kind::Boolean, true, false, false},
    {"LAUNCHEDFROMODK", Kind::Boolean, false, false, false},
    {"FAMILYUPGRADE", Kind::Boolean, false, false, false},
    {"RUNONCE", Kind::Boolean, false, false, false},
    {"PIP", Kind::Boolean, true, false, false},
    {"REINSTALL_NO_PROMPT", Kind::Boolean, true, false, false},
    {"TEST_FINAL_DIALOG", Kind::Boolean, false, false, false},
    {"TEST_PROGRESS_DIALOG", Kind::Boolean, false, false, false},
    {"TEST_WELCOME_DIALOG", Kind::Boolean, false, false, false},
    {"TEST_CHANGE_DIALOG", Kind::Boolean, false, false, false},
    {"TEST_SETUPERROR_DIALOG", Kind::Boolean, false, false, false},
    {"TEST_ERRORHELP_DIALOG", Kind::Boolean, false, false, false},
    {"TEST_RETRYSPLASH_DIALOG", Kind::Boolean, false, false, false},
    {"NOSTARTMENU", Kind::Boolean, true, false, false},
    {"INSTALLDIR", Kind::String, true, false, false},
    {"/INSTALLDIRPUBOVX", Kind::String, true, false, false},
    {"INSTALLCFG", Kind::String, true, false, false},
    {"COUNTRYOVERRIDE", Kind::String, false, false, false},
    {"/installurl", Kind::String, false, false, false},
    {"/installmethod", Kind::String, true, false, false},
    {"SPONSORPREF", Kind::String, false, false, false},
    {"ADDLOCAL", Kind::String, false, true, false},
    {"REBOOT", Kind::String, false, true, false},
    {"USAGETRACKER_CFG", Kind::String, true, false, false},
    {"DEPLOYMENT_RULE_SET", Kind::String, true, false, false},
    {"MSI_CMDLINE", Kind::String, false, false, false},
    {"CMDLINE", Kind::String, false, false, false},
    {"WEB_ORUN_SECURITY_LEVEL", Kind::SecurityLevel, true, false, false},
    {"/lang", Kind::Integer, false, false, false},
    {"TEST_CONFIG_FILE_ERRORS", Kind::Integer, false, false, false},
    {"/s", Kind::Switch, false, false, false},
    {"/h", Kind::Switch, false, false, false},
    {"-download", Kind::Switch, false, false, false},
    {"-no_override", Kind::Switch, false, false, false},
    {"/q", Kind::Switch, false, true, true},
    {"/l", Kind::Switch, false, true, true},
};

const char* const kDefaults[][2] = {
    {"INSTALL_SILENT", "Disable"}, {"STATIC", "Disable"},      {"AUTO_UPDATE", "Enable"}, {"WEB_ANALYTICS", "Enable"},
    {"EULA", "Disable"},           {"SPONSORS", "Enable"},     {"OEMUPDATE", "Disable"},
};

const ArgDescriptor* findDescriptor(const std::string& name, bool hasSeparator) {
    const std::string lower = tstrings::toLower(name);
    for (const ArgDescriptor& d : kCatalogue) {
        if ((d.kind == Kind::Switch) == hasSeparator) continue;
        const std::string dname = tstrings::toLower(d.name);
        if (lower == dname || (d.prefix && lower.compare(0, dname.size(), dname) == 0)) return &d;
    }
    return nullptr;
}

const ArgDescriptor* descriptorNamed(const std::string& name) {
    for (const ArgDescriptor& d : kCatalogue) {
        if (name == d.name) return &d;
    }
    return nullptr;
}

bool boolValue(const std::string& text, int& out) {
    if (text == "Enable" || text == "1") return out = 1, true;
    if (text == "Disable" || text == "0") return out = 0, true;
    return false;
}

bool intValue(Kind kind, const std::string& text, int& out) {
    if (kind == Kind::SecurityLevel) {
        static const char* const fixed[][2] = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"},
                                               {"L", "1"}, {"M", "2"}, {"H", "3"}, {"VH", "4"}};
        for (const auto& f : fixed) {
            if (text == f[0]) return out = std::stoi(f[1]), true;
        }
        return false;
    }
    if (text.empty()) return false;
    size_t used = 0;
    try {
        out = std::stoi(text, &used, 10);
    } catch (const std::exception&) {
        return false;
    }
    return used == text.size();
}

bool valueFits(const ArgDescriptor& d, const std::string& value) {
    int ignored = 0;
    switch (d.kind) {
        case Kind::Boolean: return boolValue(value, ignored);
        case Kind::Integer:
        case Kind::SecurityLevel: return intValue(d.kind, value, ignored);
        default: return true;
    }
}

[[noreturn]] void missingValue(const std::string& name) {
    throw QDS_ERROR(std::runtime_error("the setting " + name + " has no value of its kind"));
}

}  // namespace

InstallConfigData::InstallConfigData(HINSTANCE instance) : instance_(instance) {
    std::string text;
    for (const auto& d : kDefaults) {
        values_[d[0]] = std::string(d[1]);
        text += std::string(d[0]) + "=" + d[1] + "\n";
    }
    LOG_INFO(tstrings::format("Default config settings are: \n%s", text.c_str()));
}

int InstallConfigData::importArgs(int argc, wchar_t** argv) {
    LOG_INFO("...Importing command line arguments");
    int result = 0;
    std::string errors;
    std::string passthrough;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = tstrings::toUtf8(argv[i]);
        if (arg.empty()) continue;
        const size_t sep = arg.find_first_of("=:");
        const bool hasSeparator = sep != std::string::npos;
        const std::string name = hasSeparator ? arg.substr(0, sep) : arg;
        const std::string value = hasSeparator ? arg.substr(sep + 1) : std::string();
        const ArgDescriptor* d = findDescriptor(name, hasSeparator);
        if (!d) {
            LOG_ERROR(tstrings::format("arg %s is not supported", arg.c_str()));
            errors += "\"" + arg + "\";";
            result = 313;
            continue;
        }
        if (d->passthrough && std::string(d->name) == "/l") {
            if (i + 1 < argc) {
                msiLogFile_ = tstrings::utf8ToACP(tstrings::toUtf8(argv[++i]));
            } else {
                LOG_ERROR(tstrings::format("arg %s is incorrect", arg.c_str()));
                errors += "\"" + arg + "\";";
                result = 313;
            }
            continue;
        }
        if (d->passthrough) passthrough += " " + arg;
        // A switch typed in another letter case is kept as typed, and so is not the switch.
        if (d->kind == Kind::Switch && !d->prefix && name != d->name) {
            LOG_ERROR(tstrings::format("Loading arg %s failed with %d", arg.c_str(), 313));
            errors += "\"" + arg + "\";";
            result = 313;
            continue;
        }
        if (d->kind != Kind::Switch && !valueFits(*d, value)) {
            LOG_ERROR(tstrings::format("Loading arg %s failed with %d", arg.c_str(), 313));
            errors += "\"" + arg + "\";";
            result = 313;
            continue;
        }
        const std::optional<std::string> stored = d->kind == Kind::Switch ? std::nullopt : std::optional<std::string>(value);
        values_[d->name] = stored;
        given_[d->name] = stored;
    }
    if (!passthrough.empty()) {
        LOG_INFO("...adding MSICMDLINE to settingsConfig");
        const auto* existing = find("MSI_CMDLINE");
        const std::string text = (existing && existing->has_value() ? **existing : std::string()) + passthrough;
        values_["MSI_CMDLINE"] = text;
    }
    if (result != 0) ShowConfigErrorMessage(instance_, *this, 3090, errors, IsSilent());
    return result;
}

int InstallConfigData::LoadConfigSettings(const wchar_t* commandLine) {
    if (commandLine && *commandLine) {
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
        if (!argv) {
            LOG_ERROR(tstrings::format("%s failed with %s", "CommandLineToArgvW",
                                       formatSystemError(GetLastError(), nullptr).c_str()));
            return 200;
        }
        LOG_INFO("-->Loading Important args...");
        const int rc = importArgs(argc, argv);
        LocalFree(argv);
        if (rc != 0) {
            LOG_ERROR("Error occurred while importing important args. Exiting installer.");
            return rc;
        }
    }
    LOG_INFO("-->Adding CMDLINE to config...");
    const std::string properties = BuildCmdLine();
    if (!properties.empty()) {
        const auto* given = find("CMDLINE");
        values_["CMDLINE"] = (given && given->has_value() ? **given : std::string()) + properties;
    }
    return 0;
}

const std::optional<std::string>* InstallConfigData::find(const std::string& name) const {
    const auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

bool InstallConfigData::HasSetting(const std::string& name) const { return find(name) != nullptr; }

int InstallConfigData::GetBoolSetting(cfg::BoolKey key) const {
    const auto* value = find(cfg::nameOf(key));
    int out = 0;
    if (!value || !value->has_value() || !boolValue(**value, out)) missingValue(cfg::nameOf(key));
    return out;
}

bool InstallConfigData::IsEnabled(cfg::BoolKey key) const { return HasSetting(cfg::nameOf(key)) && GetBoolSetting(key) != 0; }

int InstallConfigData::GetIntSetting(cfg::IntKey key) const {
    const auto* value = find(cfg::nameOf(key));
    const ArgDescriptor* d = descriptorNamed(cfg::nameOf(key));
    int out = 0;
    if (!value || !value->has_value() || !d || !intValue(d->kind, **value, out)) missingValue(cfg::nameOf(key));
    return out;
}

std::string InstallConfigData::GetStringSetting(cfg::StringKey key) const {
    const auto* value = find(cfg::nameOf(key));
    if (!value || !value->has_value()) missingValue(cfg::nameOf(key));
    return **value;
}

std::string InstallConfigData::GetStringSettingACP(cfg::StringKey key) const {
    return tstrings::utf8ToACP(GetStringSetting(key));
}

bool InstallConfigData::IsSilent() const {
    if (HasSetting("/s") || HasSetting("-download")) return true;
    const auto* value = find("INSTALL_SILENT");
    int on = 0;
    return value && value->has_value() && boolValue(**value, on) && on == 1;
}

std::string InstallConfigData::BuildCmdLine() const {
    std::string text;
    for (const ArgDescriptor& d : kCatalogue) {
        if (!d.property) continue;
        const auto it = given_.find(d.name);
        if (it == given_.end() || !it->second.has_value()) continue;
        text += std::string(" ") + d.name + "=\"" + tstrings::utf8ToACP(*it->second) + "\"";
    }
    return text;
}

// The runtime settings file is not kept yet: nothing to export or restore.
int InstallConfigData::ExportChanges() {
    LOG_INFO("...Exporting config settings");
    return 0;
}

int InstallConfigData::RestoreBackup() {
    LOG_INFO("...Restoring config settings");
    return 0;
}

bool ShowConfigErrorMessage(HINSTANCE instance, const InstallConfigData& /*config*/, int code, const std::string& argument,
                            bool silent) {
    if (code == 0) return true;
    struct Entry {
        int code;
        unsigned stringId;
        bool usesArgument;
        bool logOnly;
    };
    static const Entry table[] = {
        {200, 3082, false, false}, {300, 3086, false, true},  {304, 3075, true, false},  {305, 3078, true, false},
        {306, 3080, false, false}, {307, 3081, true, false},  {308, 3083, false, true},   {309, 3084, false, true},
        {310, 3074, false, false}, {311, 3077, false, false}, {312, 3087, false, false}, {313, 3079, true, false},
        {314, 3076, true, false},  {315, 3088, true, false},  {3090, 3089, true, false},
    };
    const Entry* entry = nullptr;
    for (const Entry& e : table) {
        if (e.code == code) entry = &e;
    }
    if (!entry) {
        LOG_INFO(tstrings::format("Unknown Error code %d", code));
        return false;
    }
    const std::string text = StringResource(entry->stringId, instance).string(std::string());
    if (entry->logOnly) {
        logit(text);
        return false;
    }
    std::string message;
    if (code == 313) {
        message = tstrings::format(text.c_str(), argument.c_str(), "<line number>");
    } else if (entry->usesArgument) {
        message = tstrings::format(text.c_str(), argument.c_str());
    } else {
        message = text;
    }
    if (message.size() > 1023) message.resize(1023);
    logit(message);
    if (!silent) {
        const std::string caption = StringResource(3073, instance).string("Orun Installation Not Completed");
        MessageBoxA(nullptr, message.c_str(), caption.c_str(), MB_ICONERROR);
    }
    return false;
}
