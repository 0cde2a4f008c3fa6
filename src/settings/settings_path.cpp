#include "settings/settings_path.h"

#include <algorithm>
#include <stdexcept>

#include "base/source_location.h"
#include "settings/plain_text.h"
#include "settings/settings_exception.h"

namespace settings_impl {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

std::string firstRawComponent(const std::string& text) {
    return text.substr(0, std::find_if(text.begin(), text.end(), isSeparator) - text.begin());
}

bool isReservedName(const std::string& name) {
    static const char* const kReserved[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* reserved : kReserved) {
        if (name == reserved) return true;
    }
    // COM1 to COM9, LPT1 to LPT9
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

bool hasForbiddenCharacter(const std::string& name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 32) return true;
        switch (c) {
            case '<': case '>': case ':': case '"': case '|': case '?': case '*': case '/': case '\\':
                return true;
            default:
                break;
        }
    }
    return false;
}

std::string join(const std::vector<std::string>& components, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i) text += '/';
        text += components[i];
    }
    return text;
}

}  // namespace

std::vector<std::string> splitPathComponents(const std::string& text) {
    std::vector<std::string> components;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isSeparator(text[i])) {
            std::string component = text.substr(start, i - start);
            if (!component.empty() && component != ".") components.push_back(std::move(component));
            start = i + 1;
        }
    }
    return components;
}

bool isDriveComponent(const std::string& component) {
    return component.size() == 2 && component[1] == ':' &&
           ((component[0] >= 'A' && component[0] <= 'Z') || (component[0] >= 'a' && component[0] <= 'z'));
}

SettingsPath::SettingsPath(const std::string& utf8) : text_(utf8) {
    if (utf8.empty()) return;
    if (!isPlainText(utf8)) throw settings::ExceptionCode<312>("path is not plain UTF-8 text");
    if (utf8.size() > kMaxSettingsPathBytes) throw settings::ExceptionCode<310>("path is too long: " + utf8);
    const std::vector<std::string> components = splitPathComponents(utf8);
    if (components.empty()) throw settings::ExceptionCode<311>("path without components: " + utf8);
    const bool drive = startsWithDrive();
    for (size_t i = drive ? 1 : 0; i < components.size(); ++i) {
        if (isReservedName(components[i]) || hasForbiddenCharacter(components[i])) {
            throw settings::ExceptionCode<311>("invalid path component '" + components[i] + "' in " + utf8);
        }
    }
    if (!utf8ToUtf16(utf8, utf16_)) throw settings::Exception(200, "path has no UTF-16 form: " + utf8);
}

bool SettingsPath::startsWithDrive() const { return isDriveComponent(firstRawComponent(text_)); }

SettingsPath SettingsPath::canonicalize(const CurrentDirectory& currentDirectory) const {
    if (canonical_) return *this;
    std::vector<std::string> components = splitPathComponents(text_);
    if (components.empty() || !isDriveComponent(components.front())) {
        std::vector<std::string> full = splitPathComponents(currentDirectory());
        full.insert(full.end(), components.begin(), components.end());
        components = std::move(full);
    }
    for (auto it = std::find(components.begin(), components.end(), ".."); it != components.end();
         it = std::find(components.begin(), components.end(), "..")) {
        // Nothing above the first component, and a drive has no parent either.
        if (it == components.begin() || (it - 1 == components.begin() && isDriveComponent(components.front()))) {
            throw settings::ExceptionCode<311>("'..' above the root in " + text_);
        }
        it = components.erase(it - 1, it + 1);
    }
    SettingsPath result(join(components, components.size()));
    result.canonical_ = true;
    return result;
}

std::vector<std::string> SettingsPath::parentDirectories() const {
    if (!canonical_) throw QDS_ERROR(std::logic_error("canonicalized file name expected"));
    const std::vector<std::string> components = splitPathComponents(text_);
    std::vector<std::string> prefixes;
    for (size_t count = 2; count < components.size(); ++count) prefixes.push_back(join(components, count));
    return prefixes;
}

}  // namespace settings_impl
