#pragma once
// The command-line import apart from where the configuration lives, so that
// the launcher (through the settings function table) and the tests and fuzz
// target (on the library itself) run the same rules.
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_api.h"

namespace cfg {

// What the import needs of one configuration.
class ArgsTarget {
public:
    virtual ~ArgsTarget() = default;
    virtual int loadLine(const std::string& line) = 0;  // a settings status
    virtual bool hasKey(const std::string& key) const = 0;
    virtual std::optional<std::string> stringValue(const std::string& key) const = 0;
    // Whether the package, which takes the ANSI code page, can get this UTF-8 text unchanged.
    virtual bool fitsAnsiCodePage(const std::string& text) const = 0;
    virtual void logInfo(const std::string& message) = 0;
    virtual void logError(const std::string& message) = 0;
};

// The package's own user interface that a /q switch asks for.
enum class PackageUi { Basic, BasicNoCancel, Reduced, Full };

// What one of the /q switches means: a silent run, or a user-interface level
// for the package. None for a form the launcher does not know.
struct QuietSwitch {
    bool silent = false;
    std::optional<PackageUi> ui;
};
std::optional<QuietSwitch> quietSwitch(const std::string& argument);

struct ArgsImportResult {
    int code = 0;        // 0, 313, or the code of a failed load
    std::string errors;  // "\"arg\";" for each faulty argument, in order
    std::optional<std::string> msiLogFile;  // the path after "/l", UTF-8
    std::optional<PackageUi> packageUi;      // the last of /qb, /qb!, /qr, /qf
};

// args[0] is the program path and is skipped; empty arguments are too.
ArgsImportResult importArguments(const std::vector<std::string>& args, ArgsTarget& target);

// What the catalogue registers with a validator and a key mapper.
class CatalogueRegistrar {
public:
    virtual ~CatalogueRegistrar() = default;
    virtual void addFixedValues(const char* key, const settings::FixedValue* entries, size_t count) = 0;
    virtual void addIntType(const char* key) = 0;
    virtual void addStringType(const char* key) = 0;
    virtual void addDirnameCheck(const char* key) = 0;
    virtual void addKeyMapping(const char* name) = 0;  // to itself, ignoring letter case
    virtual void setAllowOtherKeys(bool allow) = 0;
};

// Booleans take "Enable", "Disable", "1" and "0" (letter case counts), the
// security level its eight fixed values, folders a path check; keys outside
// the catalogue are refused. Switches get nothing: they are keys without values.
void registerCatalogue(CatalogueRegistrar& registrar);

}  // namespace cfg
