// libFuzzer target: the command-line import over arbitrary argument lists.
// The input is split at line feeds into arguments; besides the sanitizers it
// checks the import's contract.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/catalogue_config.h"
#include "config/arg_catalogue.h"
#include "config/args_import.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args{"ovxoffline.exe"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);

    CatalogueConfig config;
    const cfg::ArgsImportResult result = cfg::importArguments(args, config);
    check((result.code == 0) == result.errors.empty());
    if (result.code != 0) return 0;
    // Every argument that was accepted left its key behind.
    for (size_t i = 1; i < args.size(); ++i) {
        const cfg::ArgDescriptor* d = cfg::matchArgument(args[i]);
        if (args[i].empty() || !d) continue;
        if (std::string(d->name) == "/l") {
            ++i;
            continue;
        }
        // A level for the package's interface is the result's, not a key.
        if (std::string(d->name) == "/q" && cfg::quietSwitch(args[i])->ui) continue;
        check(config.hasKey(d->name));
    }
    return 0;
}
