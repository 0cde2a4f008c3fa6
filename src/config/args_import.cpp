#include "config/args_import.h"

#include <iterator>

#include "base/tstrings.h"
#include "config/arg_catalogue.h"

namespace cfg {
namespace {

const settings::FixedValue kBooleanValues[] = {
    {"Enable", 1, settings::FIXED_VALUE_EXACT},
    {"Disable", 0, settings::FIXED_VALUE_EXACT},
    {"1", 1, settings::FIXED_VALUE_EXACT},
    {"0", 0, settings::FIXED_VALUE_EXACT},
};

const settings::FixedValue kSecurityLevels[] = {
    {"1", 1, settings::FIXED_VALUE_EXACT}, {"2", 2, settings::FIXED_VALUE_EXACT},
    {"3", 3, settings::FIXED_VALUE_EXACT}, {"4", 4, settings::FIXED_VALUE_EXACT},
    {"L", 1, settings::FIXED_VALUE_EXACT}, {"M", 2, settings::FIXED_VALUE_EXACT},
    {"H", 3, settings::FIXED_VALUE_EXACT}, {"VH", 4, settings::FIXED_VALUE_EXACT},
};

}  // namespace

std::optional<QuietSwitch> quietSwitch(const std::string& argument) {
    const std::string form = tstrings::toLower(argument);
    if (form == "/q" || form == "/qn" || form == "/quiet") return QuietSwitch{true, std::nullopt};
    if (form == "/qb") return QuietSwitch{false, PackageUi::Basic};
    if (form == "/qb!") return QuietSwitch{false, PackageUi::BasicNoCancel};
    if (form == "/qr") return QuietSwitch{false, PackageUi::Reduced};
    if (form == "/qf") return QuietSwitch{false, PackageUi::Full};
    return std::nullopt;
}

void registerCatalogue(CatalogueRegistrar& registrar) {
    for (const ArgDescriptor& d : catalogue()) {
        switch (d.kind) {
            case ValueKind::Boolean:
                registrar.addFixedValues(d.name, kBooleanValues, std::size(kBooleanValues));
                break;
            case ValueKind::Integer:
                registrar.addIntType(d.name);
                break;
            case ValueKind::SecurityLevel:
                registrar.addIntType(d.name);
                registrar.addFixedValues(d.name, kSecurityLevels, std::size(kSecurityLevels));
                break;
            case ValueKind::String:
                registrar.addStringType(d.name);
                break;
            case ValueKind::DirectoryName:
                registrar.addStringType(d.name);
                registrar.addDirnameCheck(d.name);
                break;
            case ValueKind::Switch:
                continue;
        }
        registrar.addKeyMapping(d.name);
    }
    registrar.setAllowOtherKeys(false);
}

ArgsImportResult importArguments(const std::vector<std::string>& args, ArgsTarget& target) {
    ArgsImportResult result;
    if (args.size() < 2) return result;
    std::string passthrough;
    std::optional<std::string> givenMsiCmdline;
    auto fail = [&](const std::string& arg, int code) {
        result.errors += "\"" + arg + "\";";
        result.code = code;
    };
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty()) continue;
        if (!target.fitsAnsiCodePage(arg)) {
            target.logError(tstrings::format("arg %s is not in the ANSI code page", arg.c_str()));
            fail(arg, 313);
            continue;
        }
        const ArgDescriptor* d = matchArgument(arg);
        if (!d) {
            target.logError(tstrings::format("arg %s is not supported", arg.c_str()));
            fail(arg, 313);
            continue;
        }
        const std::string name = d->name;
        if (name == "/q") {
            const std::optional<QuietSwitch> quiet = quietSwitch(arg);
            if (!quiet) {
                target.logError(tstrings::format("arg %s is not supported", arg.c_str()));
                fail(arg, 313);
                continue;
            }
            if (quiet->ui) {
                // A level for the package's own interface, set on the installer, not a property.
                result.packageUi = quiet->ui;
                continue;
            }
        }
        if (d->passthrough) {
            if (name == "/l") {
                // The next argument is the installer's log file; neither reaches the package.
                if (i + 1 < args.size() && !target.fitsAnsiCodePage(args[i + 1])) {
                    target.logError(tstrings::format("arg %s is not in the ANSI code page", args[i + 1].c_str()));
                    fail(args[++i], 313);
                } else if (i + 1 < args.size()) {
                    result.msiLogFile = args[++i];
                } else {
                    target.logError(tstrings::format("arg %s is incorrect", arg.c_str()));
                    fail(arg, 313);
                }
                continue;
            }
            passthrough += " " + arg;
        }
        // A switch typed in another letter case is stored as typed, and so is not the switch.
        const int loaded = target.loadLine(d->prefix ? name : arg);
        if (loaded != 0 || !target.hasKey(name)) {
            const int code = loaded != 0 ? loaded : 313;
            target.logError(tstrings::format("Loading arg %s failed with %d", arg.c_str(), code));
            fail(arg, code);
            continue;
        }
        if (name == "MSI_CMDLINE") givenMsiCmdline = target.stringValue(name);
    }
    if (!passthrough.empty()) {
        target.logInfo("...adding MSICMDLINE to settingsConfig");
        // An MSI_CMDLINE given among the arguments keeps its place in front.
        const std::string line = "MSI_CMDLINE=" + givenMsiCmdline.value_or(std::string()) + passthrough;
        const int loaded = target.loadLine(line);
        if (loaded != 0) {
            target.logError(tstrings::format("Loading arg %s failed with %d", line.c_str(), loaded));
            fail("MSI_CMDLINE", loaded);
        }
    }
    return result;
}

}  // namespace cfg
