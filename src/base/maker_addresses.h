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

// The page a browser opens after an install, to show that the runtime works.
inline constexpr const char* kVerificationPageUrl = "https://orun.kyn.example/verify9/?src=install";

// Explains the minimum security level the completion page mentions.
inline constexpr const char* kSecurityLevelUrl = "https://orun.kyn.example/help/security-level.html";

// The download server's folder of the installer options documents, one per
// version (product::installerOptionsUrl).
inline constexpr const char* kInstallerOptionsRoot = "https://download.kyn.example/update/";

// The latest-version document that decides which installed runtimes are out of date.
inline constexpr const char* kLatestVersionUrl = "https://orun.kyn.example/applet/orunLatestVersion.xml";

// Asked over plain http when the system does not say whether it is on line.
inline constexpr const char* kConnectivityProbeUrl = "http://www.kyn.example/";

// Report addresses under this root get the production access code.
inline constexpr const char* kProductionMetricsUrl = "https://metrics.kyn.example/";
// The production access code is this value's lower-case hexadecimal text, built at run time.
inline constexpr unsigned kProductionAccessCode = 0x6b796e31u;

}  // namespace maker
