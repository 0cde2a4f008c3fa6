#pragma once
// The settings library's file system side (Windows): the runtime settings
// file, reading and writing settings files.
#include <cstddef>
#include <string>

#include "settings/config.h"
#include "settings/parser.h"
#include "settings/settings_path.h"

namespace settings_impl {

// Files of this size or more are refused (315).
constexpr size_t kMaxSettingsFileBytes = 1048576;

// A settings file's text: 304 cannot be opened (or is missing), 307 read
// error, 315 too long, 314 not plain text; path codes as SettingsPath.
class FileBuffer : public IBuffer {
public:
    explicit FileBuffer(const std::string& path);
    std::string_view text() const override { return text_; }

private:
    std::string text_;
};

// The process's current directory as UTF-8; 200 when it cannot be had.
std::string currentDirectory();
// The all-users application data folder + "\\Velmar\\Orun\\orun.settings.cfg"; 200 on failure.
std::string runtimeSettingsFilePath();
// "S-1-5-21-...-513" of the current user's account domain; 200 on failure.
std::string domainUsersSid();
// The descriptor of a new settings file: Administrators full access, Domain
// Users and Everyone read.
std::string newSettingsFileSddl();

// Creates the missing folders above a canonical path; 311 when one cannot be made.
void createMissingDirectories(const SettingsPath& path);

// Writes the configuration to the file in one step: a complete new file
// beside it replaces it, with the old file's access rules, or becomes it with
// those of newSettingsFileSddl. 304 cannot create, 306 write or replace failed.
void writeSettingsFile(const Config& config, const std::string& path);

}  // namespace settings_impl
