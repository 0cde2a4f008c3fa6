#pragma once
// Where the runtime's installs, the launcher and the runtime's package keep
// their records and markers (HKLM), and the policy values an administrator sets.

// The runtimes and development kits, one subkey per version.
inline constexpr const char* kRuntimesKey = "SOFTWARE\\OrunSoft\\Orun Runtime Environment";
inline constexpr const char* kKitsKey = "SOFTWARE\\OrunSoft\\Orun Development Kit";

// The markers of one run, in the 64-bit view: "InstallStatus", "MSIStatusError",
// "MSIStatusExtendedError", the browser restart flags, and the subkey below.
inline constexpr const char* kOrunSoftKey = "SOFTWARE\\OrunSoft";
inline constexpr const char* kSilentInstallKey = "SilentInstall";  // under kOrunSoftKey
inline constexpr const char* kPolicyKey = "SOFTWARE\\OrunSoft\\Orun Update\\Policy";
inline constexpr const char* kOvxMetricsKey = "Software\\OvxMetrics";
// The auto-update component's own record ("AUVersion"), in the 32-bit view.
inline constexpr const char* kAutoUpdateKey = "SOFTWARE\\OrunSoft\\Auto Update";

// The system's own records.
inline constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* kInstallerKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer";
