#include "base/file_paths.h"

namespace FileUtils {
namespace {
bool isSeparator(char c) { return c == '\\' || c == '/'; }
}

std::string removeTrailingSlash(const std::string& path) {
    std::string out = path;
    while (!out.empty() && isSeparator(out.back())) out.pop_back();
    return out;
}

std::string dirname(const std::string& path) {
    const size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? std::string(".\\") : path.substr(0, pos + 1);
}

std::string basename(const std::string& path) {
    const size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string combinePath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (name.empty()) return dir;
    return removeTrailingSlash(dir) + "\\" + (isSeparator(name.front()) ? name.substr(1) : name);
}

}  // namespace FileUtils
