#pragma once
// A settings file path: checked UTF-8 text, its UTF-16 form, and whether it
// is canonical (absolute, no "." or "..", forward slashes).
#include <functional>
#include <string>
#include <vector>

namespace settings_impl {

constexpr size_t kMaxSettingsPathBytes = 259;

class SettingsPath {
public:
    // The current directory as UTF-8 text; raises settings::Exception 200 when
    // it cannot be had.
    using CurrentDirectory = std::function<std::string()>;

    SettingsPath() = default;
    // Empty text: an empty path, unchecked. Otherwise 312 not plain text, 310
    // 260 bytes or more, 311 no component or an invalid one, 200 no UTF-16 form.
    explicit SettingsPath(const std::string& utf8);

    const std::string& text() const { return text_; }
    const std::u16string& utf16() const { return utf16_; }
    bool empty() const { return text_.empty(); }
    bool isCanonical() const { return canonical_; }
    // The first component (before any separator) is a drive such as "C:".
    bool startsWithDrive() const;

    // Relative paths are taken against the current directory; 311 for a ".."
    // above the root.
    SettingsPath canonicalize(const CurrentDirectory& currentDirectory) const;

    // For a canonical path: the folders that must exist before the file can,
    // from the first two components down to the parent ("C:/a", "C:/a/b").
    std::vector<std::string> parentDirectories() const;

private:
    std::string text_;
    std::u16string utf16_;
    bool canonical_ = false;
};

// The text split at every '\\' and '/', without empty components and ".".
std::vector<std::string> splitPathComponents(const std::string& text);
// Two characters, a letter A-Z or a-z and ':'.
bool isDriveComponent(const std::string& component);

}  // namespace settings_impl
