#pragma once
// What every HTML dialog of the run is built with: the page locale and where
// the pages are found.
#include <string>

struct DialogContext {
    std::string localeName;
    std::string baseUrl;  // empty: the running executable's resources
};

// The process's context: the locale chosen from the user's preferred
// languages and the default base.
const DialogContext& dialogContext();

// "res://" + the executable's full path + "/", backslashes as "%5C", then spaces as "%20".
std::string defaultBaseUrl();
std::string makeResourceBaseUrl(const std::string& modulePath);
