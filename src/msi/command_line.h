#pragma once
#include <map>
#include <string>

namespace msi {

using PropertyMap = std::map<std::string, std::string>;

// The trimmed command-line text, a blank, then " NAME=value" for each property
// in name order (values quoted for the installer), trimmed.
std::string buildFullCommandLine(const std::string& commandLine, const PropertyMap& properties);

}  // namespace msi
