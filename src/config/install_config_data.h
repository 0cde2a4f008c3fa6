#pragma once
// Everything that configures an install: defaults and the command line.
#include <map>
#include <optional>
#include <string>

#include "base/win.h"
#include "config/setting_keys.h"

class InstallConfigData {
public:
    explicit InstallConfigData(HINSTANCE instance);

    // 0 on success; otherwise the error has been shown (or logged when silent).
    int LoadConfigSettings(const wchar_t* commandLine);

    bool HasSetting(const std::string& name) const;
    int GetBoolSetting(cfg::BoolKey key) const;  // raises when the key has no boolean value
    bool IsEnabled(cfg::BoolKey key) const;
    int GetIntSetting(cfg::IntKey key) const;
    std::string GetStringSetting(cfg::StringKey key) const;  // UTF-8
    std::string GetStringSettingACP(cfg::StringKey key) const;
    bool IsSilent() const;

    int ExportChanges();
    int RestoreBackup();

    // The installer log file named after "/l", or empty.
    const std::string& GetMsiLogFile() const { return msiLogFile_; }
    HINSTANCE instance() const { return instance_; }

    // ' NAME="value"' for each given key that the package receives as a property.
    std::string BuildCmdLine() const;

private:
    int importArgs(int argc, wchar_t** argv);
    const std::optional<std::string>* find(const std::string& name) const;

    HINSTANCE instance_;
    // Keys in their catalogue spelling; a switch has no value.
    std::map<std::string, std::optional<std::string>> values_;
    std::map<std::string, std::optional<std::string>> given_;
    std::string msiLogFile_;
};

// Shows (or, silent, logs) the message of a configuration error code; true only for 0.
bool ShowConfigErrorMessage(HINSTANCE instance, const InstallConfigData& config, int code, const std::string& argument,
                            bool silent);
