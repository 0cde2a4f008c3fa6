#include "config/install_config_data.h"

#include <shellapi.h>

#include "base/locale.h"
#include "base/logger.h"
#include "base/memory_holders.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "config/arg_catalogue.h"
#include "config/args_import.h"
#include "config/runtime_file_backup.h"

using cfg::api;
using cfg::check;

namespace {

// The catalogue's registrations, through the function table.
class ApiRegistrar : public cfg::CatalogueRegistrar {
public:
    ApiRegistrar(settings::ValidatorBuilder* validator, settings::KeyMapperBuilder* mapper)
        : validator_(validator), mapper_(mapper) {}
    void addFixedValues(const char* key, const settings::FixedValue* entries, size_t count) override {
        check(api().addFixedValues(validator_, key, entries, count));
    }
    void addIntType(const char* key) override { check(api().addIntType(validator_, key)); }
    void addStringType(const char* key) override { check(api().addStringType(validator_, key)); }
    void addDirnameCheck(const char* key) override { check(api().addDirnameCheck(validator_, key, 0)); }
    void addKeyMapping(const char* name) override { check(api().addKeyMapping(mapper_, name, name, 0)); }
    void setAllowOtherKeys(bool allow) override { check(api().setAllowOtherKeys(validator_, allow ? 1 : 0)); }

private:
    settings::ValidatorBuilder* validator_;
    settings::KeyMapperBuilder* mapper_;
};

// Only the command line has switches. A line without "=" or ":" in a file is
// malformed, also once the arguments have been read into the same
// configuration: otherwise the file would pass unchecked and the error would
// surface later, without the box that names the file and the line.
const int kFileKeysNeedValues = 0;

cfg::ContextPtr newContext() {
    settings::Context* context = nullptr;
    check(api().createContext(&context));
    return cfg::ContextPtr(context);
}

bool readString(const InstallConfigData::Configuration& config, const std::string& key, std::string* out = nullptr) {
    const char* value = nullptr;
    if (api().getString(config.get(), key.c_str(), &value) != 0 || !value) return false;
    if (out) *out = value;
    return true;
}

bool readBool(const InstallConfigData::Configuration& config, const std::string& key, int* out = nullptr) {
    int value = 0;
    if (api().getBool(config.get(), key.c_str(), &value) != 0) return false;
    if (out) *out = value;
    return true;
}

bool hasKey(const InstallConfigData::Configuration& config, const std::string& key) {
    return readString(config, key) || readBool(config, key);
}

int loadLine(InstallConfigData::Configuration& config, const std::string& line, const settings::Validator* validator,
             const settings::KeyMapper* mapper) {
    return api().loadString(config.get(), line.c_str(), validator, mapper, config.stopOnFirstError,
                            config.allowKeyWithoutValue);
}

bool isEmpty(const InstallConfigData::Configuration& config) {
    int empty = 0;
    check(api().isEmpty(config.get(), &empty));
    return empty != 0;
}

bool equal(const InstallConfigData::Configuration& a, const InstallConfigData::Configuration& b) {
    int same = 0;
    check(api().equals(a.get(), b.get(), &same));
    return same != 0;
}

std::vector<std::string> splitCommandLine(const wchar_t* commandLine, int& status) {
    std::vector<std::string> args;
    status = 0;
    if (!commandLine || !*commandLine) return args;
    int count = 0;
    const LocalPointer<wchar_t*> argv(CommandLineToArgvW(commandLine, &count));
    if (!argv) {
        LOG_ERROR(tstrings::format("%s failed with %s", "CommandLineToArgvW", formatSystemError(GetLastError(), nullptr).c_str()));
        status = 200;
        return args;
    }
    for (int i = 0; i < count; ++i) args.push_back(tstrings::toUtf8(argv.get()[i]));
    return args;
}

}  // namespace

InstallConfigData::InstallConfigData(HINSTANCE instance) : instance_(instance) {
    settings::ValidatorBuilder* rawValidatorBuilder = nullptr;
    check(api().createValidatorBuilder(&rawValidatorBuilder));
    const cfg::ValidatorBuilderPtr validatorBuilder(rawValidatorBuilder);
    settings::KeyMapperBuilder* rawMapperBuilder = nullptr;
    check(api().createKeyMapperBuilder(&rawMapperBuilder));
    const cfg::KeyMapperBuilderPtr mapperBuilder(rawMapperBuilder);

    ApiRegistrar registrar(validatorBuilder.get(), mapperBuilder.get());
    cfg::registerCatalogue(registrar);

    settings::Validator* validator = nullptr;
    check(api().buildValidator(validatorBuilder.get(), &validator));
    validator_.reset(validator);
    settings::KeyMapper* mapper = nullptr;
    check(api().buildKeyMapper(mapperBuilder.get(), &mapper));
    keyMapper_.reset(mapper);

    working_.context = newContext();
    export_.context = newContext();
    backup_.context = newContext();

    check(api().loadString(working_.get(), cfg::kDefaultSettings, validator_.get(), keyMapper_.get(),
                           working_.stopOnFirstError, working_.allowKeyWithoutValue));
    defaultsLoaded_ = true;
    Logger& logger = Logger::instance();
    if (logger.isEnabled(INFO)) {
        logger.write(INFO, __FILE__, __LINE__, "InstallConfigData::InitConfig",
                     tstrings::format("Default config settings are: \n%s", cfg::kDefaultSettings));
    }
}

std::string InstallConfigData::runtimeFilePath() const {
    const char* path = nullptr;
    check(api().getFilePath(working_.get(), &path));
    return path ? path : "";
}

void InstallConfigData::ChooseMessageLanguage() const {
    try {
        Locale locale = Locale::fromPreferredLanguages();
        int langId = 0;
        if (api().getInt(working_.get(), "/lang", &langId) == 0) {
            Locale chosen;
            try {
                chosen = Locale::fromLangId(static_cast<uint16_t>(langId));
                locale = chosen;
            } catch (const std::exception&) {
                // reported by the main flow when it chooses the language
            }
        }
        Resource::setUiLanguage(locale.getLangId());
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
}

int InstallConfigData::ImportArgsConfigSettings(Configuration& config, const std::vector<std::string>& args, bool silent) {
    QDS_TRACE_FUNCTION("ImportArgsConfigSettings");
    LOG_INFO("...Importing command line arguments");
    config.allowKeyWithoutValue = true;

    // The arguments' view of one configuration, through the function table.
    class Target : public cfg::ArgsTarget {
    public:
        Target(Configuration& config, const InstallConfigData& owner) : config_(config), owner_(owner) {}
        int loadLine(const std::string& line) override {
            return ::loadLine(config_, line, owner_.validator_.get(), owner_.keyMapper_.get());
        }
        bool hasKey(const std::string& key) const override { return ::hasKey(config_, key); }
        std::optional<std::string> stringValue(const std::string& key) const override {
            std::string value;
            if (!readString(config_, key, &value)) return std::nullopt;
            return value;
        }
        bool fitsAnsiCodePage(const std::string& text) const override { return tstrings::fitsACP(text); }
        // The arguments are UTF-8, the log the ANSI code page.
        void logInfo(const std::string& message) override { LOG_INFO(tstrings::utf8ToACP(message)); }
        void logError(const std::string& message) override { LOG_ERROR(tstrings::utf8ToACP(message)); }

    private:
        Configuration& config_;
        const InstallConfigData& owner_;
    } target(config, *this);

    const cfg::ArgsImportResult result = cfg::importArguments(args, target);
    if (result.msiLogFile) msiLogFile_ = tstrings::utf8ToACP(*result.msiLogFile);
    if (result.packageUi) packageUi_ = result.packageUi;
    if (result.code != 0) ShowConfigErrorMessage(instance_, config, 3090, result.errors, silent || IsSilent());
    return result.code;
}

int InstallConfigData::ImportInstallConfigSettings(Configuration& config, const std::string& path, bool silent) {
    LOG_INFO("...Importing Install Configuration file");
    const int code = api().loadFile(config.get(), path.c_str(), validator_.get(), keyMapper_.get(), config.stopOnFirstError,
                                    kFileKeysNeedValues);
    if (code == 300) {
        LOG_WARNING("Install Configuration file path is empty. Ignore it and continue installation.");
        return 0;
    }
    if (code != 0) {
        ShowConfigErrorMessage(instance_, config, code, path, silent || IsSilent());
        LOG_ERROR(tstrings::format("Install Configuration file import failed with %d", code));
    }
    return code;
}

int InstallConfigData::ImportRuntimeConfigSettings(Configuration& config, bool silent) {
    LOG_INFO("...Importing runtime configuration file...");
    const char* rawPath = nullptr;
    check(api().getFilePath(config.get(), &rawPath));
    const std::string path = rawPath ? rawPath : "";
    LOG_INFO(tstrings::format("Runtime config file path is %s", path.c_str()));
    const int code = api().loadFile(config.get(), path.c_str(), validator_.get(), keyMapper_.get(), config.stopOnFirstError,
                                    kFileKeysNeedValues);
    if (code == 304) {
        LOG_INFO("Runtime configuration file doesn't exist. It will be created later by settings_api.");
        return 0;
    }
    if (code != 0) {
        ShowConfigErrorMessage(instance_, config, code, path, silent || IsSilent());
        LOG_ERROR(tstrings::format("Runtime configuration file import failed with %d", code));
    }
    return code;
}

int InstallConfigData::CheckParam(const cfg::ArgDescriptor& descriptor, const std::string& value) const {
    // From a file as from the command line: the package gets the ANSI code page,
    // and a text that it cannot hold would install somewhere else.
    if (!tstrings::fitsACP(value)) {
        LOG_ERROR(tstrings::format("The value of %s is not in the ANSI code page.", descriptor.name));
        return 3090;
    }
    if (descriptor.enterpriseOnly) {
        LOG_INFO(tstrings::format("IsInstallerEnterprise is %d", IsInstallerEnterprise ? 1 : 0));
        if (!IsInstallerEnterprise) {
            LOG_ERROR("The param is not supported.");
            return 3090;
        }
    }
    return 0;
}

int InstallConfigData::CheckParams(const Configuration& config, bool silent) {
    QDS_TRACE_FUNCTION("CheckParams");
    for (const cfg::ArgDescriptor& d : cfg::catalogue()) {
        std::string value;
        if (!readString(config, d.name, &value)) continue;
        const int code = CheckParam(d, value);
        ShowConfigErrorMessage(instance_, config, code, std::string("\"") + d.name + "\";", silent || IsSilent());
        if (code != 0) {
            LOG_ERROR(tstrings::format("CheckParams(%s) failed with %d", d.name, code));
            return code;
        }
    }
    return 0;
}

int InstallConfigData::ImportAll(Configuration& config, const std::string& installConfigPath,
                                 const std::vector<std::string>& args, bool silent) {
    if (int code = ImportRuntimeConfigSettings(config, silent)) return code;
    if (!installConfigPath.empty()) {
        if (int code = ImportInstallConfigSettings(config, installConfigPath, silent)) return code;
    }
    if (int code = ImportArgsConfigSettings(config, args, silent)) return code;
    return CheckParams(config, silent);
}

int InstallConfigData::LoadConfigSettings(const wchar_t* commandLine) {
    ChooseMessageLanguage();
    int status = 0;
    const std::vector<std::string> args = splitCommandLine(commandLine, status);
    if (status != 0) return status;

    LOG_INFO("-->Loading Important args...");
    if (int code = ImportArgsConfigSettings(working_, args, false)) {
        LOG_ERROR("Error occurred while importing important args. Exiting installer.");
        return code;
    }
    DumpConfig(working_, "Important args config (TMP)");
    ChooseMessageLanguage();

    std::string installConfigPath;
    if (readString(working_, "INSTALLCFG", &installConfigPath)) {
        LOG_INFO("Path to the install configuration file is set to " << installConfigPath);
    }

    LOG_INFO("-->Loading Config...");
    if (int code = ImportAll(working_, installConfigPath, args, IsSilent())) {
        LOG_ERROR("Error occurred while importing configuration settings. Exiting installer.");
        return code;
    }

    LOG_INFO("-->Saving backup...");
    runtimeFileAtStart_ = ReadRuntimeFileBytes(runtimeFilePath());
    if (int code = ImportRuntimeConfigSettings(backup_, true)) {
        LOG_ERROR("Error occurred while importing runtime file for backup.Exiting installer.");
        return code;
    }
    DumpConfig(backup_, "Config to backup");

    LOG_INFO("-->Loading export config...");
    if (int code = ImportAll(export_, installConfigPath, args, true)) {
        LOG_ERROR("Error occurred while importing configuration files without defaults. Exiting installer.");
        return code;
    }

    LOG_INFO("-->Adding CMDLINE to config...");
    const std::string properties = BuildCmdLine(export_);
    if (!properties.empty()) {
        // A CMDLINE of the administrator's own stays in front of the properties.
        std::string given;
        readString(working_, "CMDLINE", &given);
        check(loadLine(working_, "CMDLINE=" + given + properties, validator_.get(), keyMapper_.get()));
    }

    LOG_INFO("-->Normalizing Export...");
    for (const cfg::ArgDescriptor& d : cfg::catalogue()) {
        if (d.persistent) continue;
        const int removed = api().removeKey(export_.get(), d.name);
        if (removed != 0 && removed != 303) throw settings::Exception(removed);
    }

    DumpConfig(export_, "Config to export");
    DumpConfig(working_, "!!!!Working config!!!!");
    return 0;
}

std::string InstallConfigData::BuildCmdLine(const Configuration& config) {
    std::string text;
    for (const cfg::ArgDescriptor& d : cfg::catalogue()) {
        std::string value;
        if (!d.property || !readString(config, d.name, &value)) continue;
        // UTF-8 as the settings library holds it; the package gets it in the ANSI code page.
        text += std::string(" ") + d.name + "=\"" + value + "\"";
    }
    return text;
}

void InstallConfigData::DumpConfig(const Configuration& config, const std::string& title) const {
    std::string text = "|------" + title + "--------|\n\n";
    for (const cfg::ArgDescriptor& d : cfg::catalogue()) {
        std::string value;
        int flag = 0;
        if (readString(config, d.name, &value)) {
            text += std::string(d.name) + "=" + value + "\n";
        } else if (readBool(config, d.name, &flag)) {
            text += std::string(d.name) + "=" + (flag ? "1" : "0") + "\n";
        }
    }
    text += "|-------------------------------------|\n";
    logit(tstrings::utf8ToACP(text));
}

bool InstallConfigData::HasSetting(const std::string& name) const { return hasKey(working_, name); }

int InstallConfigData::GetBoolSetting(cfg::BoolKey key) const {
    int value = 0;
    check(api().getInt(working_.get(), cfg::nameOf(key), &value));
    return value;
}

bool InstallConfigData::IsEnabled(cfg::BoolKey key) const { return HasSetting(cfg::nameOf(key)) && GetBoolSetting(key) != 0; }

int InstallConfigData::GetIntSetting(cfg::IntKey key) const {
    int value = 0;
    check(api().getInt(working_.get(), cfg::nameOf(key), &value));
    return value;
}

std::string InstallConfigData::GetStringSetting(cfg::StringKey key) const {
    const char* value = nullptr;
    check(api().getString(working_.get(), cfg::nameOf(key), &value));
    return value ? value : "";
}

std::string InstallConfigData::GetStringSettingACP(cfg::StringKey key) const {
    return tstrings::utf8ToACP(GetStringSetting(key));
}

bool InstallConfigData::IsSilent() const {
    if (HasSetting("/s") || HasSetting("-download") || HasSetting("/q")) return true;
    int value = 0;
    return api().getInt(working_.get(), "INSTALL_SILENT", &value) == 0 && value == 1;
}

bool InstallConfigData::IsHelpRequested() const { return HasSetting("/?") || HasSetting("/help"); }

int InstallConfigData::ExportChanges() {
    LOG_INFO("...Exporting config settings");
    if (equal(backup_, export_)) {
        LOG_INFO("Nothing new to export to runtime.");
        return 0;
    }
    if (isEmpty(export_)) {
        LOG_INFO("Removing runtime config file IF EXIST.");
        DeleteRuntimeFile(runtimeFilePath());
        return 0;
    }
    return ExportConfigSettings(export_, false);
}

int InstallConfigData::RestoreBackup() {
    LOG_INFO("...Restoring config settings");
    if (equal(backup_, export_)) return 0;
    // The file as it was found, byte for byte: comments and layout included,
    // which a configuration written anew would not keep.
    const std::string path = runtimeFilePath();
    if (!runtimeFileAtStart_) {
        LOG_INFO("Removing runtime config file IF EXIST.");
        DeleteRuntimeFile(path);
        return 0;
    }
    if (!ReadRuntimeFileBytes(path)) {
        // Gone since: made anew first, so that it gets the security of a new settings file.
        api().saveFile(backup_.get(), path.c_str());
    }
    const int code = WriteRuntimeFileBytes(path, *runtimeFileAtStart_);
    ShowConfigErrorMessage(instance_, backup_, code, path, true);
    return code;
}

int InstallConfigData::ExportConfigSettings(const Configuration& config, bool silent) {
    LOG_INFO("...Exporting config settings");
    if (isEmpty(config)) {
        LOG_INFO("Config is empty: don't do export");
        return 0;
    }
    LOG_INFO("Writing to the runtime config file.");
    const std::string path = runtimeFilePath();
    const int code = api().saveFile(config.get(), path.c_str());
    ShowConfigErrorMessage(instance_, config, code, path, silent || IsSilent());
    if (code != 0) LOG_ERROR("Fails on writing to the runtime config file.");
    return code;
}
