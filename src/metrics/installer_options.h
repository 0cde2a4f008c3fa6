#pragma once
// The installer options document: per language, where the status report goes,
// where the country is looked up and where the sponsor picture comes from.
#include <string>

struct InstallerOptions {
    std::string offlineOptions;  // read, never used
    std::string reportAddress;
    std::string lookupAddress;
    std::string pictureBase;
};

// Values of at most this many characters are kept; longer ones are cut.
inline constexpr size_t kOptionsValueMax = 255;

// Takes the "information" elements of version "1.0" for "en" and for the
// language, in document order, stopping at the language's own; a value an
// element lacks keeps what an earlier one set. True when the last element
// taken names a report address (a "post-status" other than "0").
bool readInstallerOptions(const std::string& document, const std::string& languageCode, InstallerOptions& out);
