#pragma once
// Path texts, without touching the file system. Paths are narrow (ANSI code
// page); '\\' and '/' both separate.
#include <string>

namespace FileUtils {

std::string removeTrailingSlash(const std::string& path);
std::string dirname(const std::string& path);   // up to and including the last separator, or ".\\"
std::string basename(const std::string& path);  // after the last separator
std::string combinePath(const std::string& dir, const std::string& name);

}  // namespace FileUtils
