#pragma once
// Everything that configures an install, as one validated configuration:
// built-in defaults, the runtime settings file left by earlier installs, an
// install configuration file named on the command line, and the command line.
#include <optional>
#include <string>
#include <vector>

#include "base/win.h"
#include "config/setting_keys.h"
#include "config/settings_handles.h"

namespace cfg {
struct ArgDescriptor;
enum class PackageUi;
}

class InstallConfigData {
public:
    // One settings context with the load flags it keeps for the whole run.
    struct Configuration {
        cfg::ContextPtr context;
        bool stopOnFirstError = true;
        bool allowKeyWithoutValue = false;
        settings::Context* get() const { return context.get(); }
    };

    explicit InstallConfigData(HINSTANCE instance);

    // Imports everything; 0, or the code of an error already shown (or logged when silent).
    int LoadConfigSettings(const wchar_t* commandLine);

    bool HasSetting(const std::string& name) const;
    int GetBoolSetting(cfg::BoolKey key) const;  // raises settings::Exception when the read fails
    bool IsEnabled(cfg::BoolKey key) const;
    int GetIntSetting(cfg::IntKey key) const;
    std::string GetStringSetting(cfg::StringKey key) const;  // UTF-8
    std::string GetStringSettingACP(cfg::StringKey key) const;
    bool IsSilent() const;

    // Before the package runs: the persistent settings of this run to the runtime settings file.
    int ExportChanges();
    // After a failed install: the runtime settings file as it was found.
    int RestoreBackup();

    // The installer log file named after "/l", or empty.
    const std::string& GetMsiLogFile() const { return msiLogFile_; }
    // The package's own user interface asked for by /qb, /qb!, /qr or /qf.
    const std::optional<cfg::PackageUi>& GetPackageUi() const { return packageUi_; }
    // "/?" or "/help" was given.
    bool IsHelpRequested() const;
    HINSTANCE instance() const { return instance_; }
    const Configuration& working() const { return working_; }

    // ' NAME="value"' for each property key with a value in the configuration, in UTF-8.
    static std::string BuildCmdLine(const Configuration& config);

    // Steps of the import, each returning a settings status.
    int ImportArgsConfigSettings(Configuration& config, const std::vector<std::string>& args, bool silent);
    int ImportInstallConfigSettings(Configuration& config, const std::string& path, bool silent);
    int ImportRuntimeConfigSettings(Configuration& config, bool silent);
    int CheckParams(const Configuration& config, bool silent);
    int ImportAll(Configuration& config, const std::string& installConfigPath, const std::vector<std::string>& args,
                  bool silent);
    int ExportConfigSettings(const Configuration& config, bool silent);

    bool IsInstallerEnterprise = false;

private:
    int CheckParam(const cfg::ArgDescriptor& descriptor, const std::string& value) const;
    void DumpConfig(const Configuration& config, const std::string& title) const;
    // The language of the messages: the preferred one, or "/lang" once it is known.
    void ChooseMessageLanguage() const;
    std::string runtimeFilePath() const;

    HINSTANCE instance_;
    cfg::ValidatorPtr validator_;
    cfg::KeyMapperPtr keyMapper_;
    Configuration working_;
    Configuration export_;
    Configuration backup_;
    bool defaultsLoaded_ = false;
    std::string msiLogFile_;
    std::optional<cfg::PackageUi> packageUi_;
    // The runtime settings file exactly as found at start, to put back after a failure.
    std::optional<std::string> runtimeFileAtStart_;
};

// Maps a configuration error code to its message and shows it (or, silent,
// logs it); true only for 0.
// The switches and settings an administrator can give, in a message box (or,
// silent, in the log).
void ShowSwitchesHelp(HINSTANCE instance, bool silent);

bool ShowConfigErrorMessage(HINSTANCE instance, const InstallConfigData::Configuration& config, int code,
                            const std::string& argument, bool silent);
