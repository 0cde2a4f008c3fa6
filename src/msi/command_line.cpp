#include "msi/command_line.h"

#include "base/tstrings.h"

namespace msi {

std::string buildFullCommandLine(const std::string& commandLine, const PropertyMap& properties) {
    const std::string text = tstrings::trim(commandLine, " \t");
    std::string props;
    for (const auto& [name, value] : properties) props += " " + name + "=" + quoteCommandLineValue(value);
    props = tstrings::trim(props, " \t");
    if (!text.empty() && !props.empty()) return text + " " + props;
    return text + props;
}

}  // namespace msi
