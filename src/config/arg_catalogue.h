#pragma once
// Every switch and key the launcher accepts, with what it is for.
#include <string>
#include <vector>

namespace cfg {

enum class ValueKind { Boolean, Integer, SecurityLevel, String, DirectoryName, Switch };

struct ArgDescriptor {
    const char* name;
    ValueKind kind;
    bool persistent;      // kept in the runtime settings file
    bool property;        // handed to the package as NAME="value"
    bool passthrough;     // the raw argument is appended to MSI_CMDLINE
    bool prefix;          // matches arguments that start with the name
    bool enterpriseOnly;  // refused by this launcher
};

// The entries, in catalogue order.
const std::vector<ArgDescriptor>& catalogue();
const ArgDescriptor* descriptorNamed(const std::string& name);

// The first descriptor that matches one command-line argument: split at the
// first "=" or ":"; a switch matches only an argument without separator, any
// other key only one with it; names compare ignoring letter case.
const ArgDescriptor* matchArgument(const std::string& argument);

// The built-in defaults, in the settings file format.
extern const char* const kDefaultSettings;

}  // namespace cfg
