#pragma once
// The maker's sites and services, in one place. All hosts are fictional.

namespace maker {

// The current domain and the two older ones that trusted addresses may use.
inline constexpr const char* kCurrentDomain = "kyn.example";
inline constexpr const char* kOlderDomains[] = {"orunsoft.example", "velmar.example"};

// Site roots that are trusted as they stand.
inline constexpr const char* kTrustedSiteRoots[] = {
    "https://www.kyn.example/",
    "https://orun.kyn.example/",
    "https://www.orunsoft.example/",
};

// Named at the end of the "newer version of Windows" warning.
inline constexpr const char* kSystemRequirementsUrl = "https://orun.kyn.example/help/sysreq.html";

}  // namespace maker
