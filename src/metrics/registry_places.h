#pragma once
// Where the launcher and the runtime's package leave markers (HKLM, 64-bit view).

inline constexpr const char* kOrunSoftKey = "SOFTWARE\\OrunSoft";
inline constexpr const char* kPolicyKey = "SOFTWARE\\OrunSoft\\Orun Update\\Policy";
inline constexpr const char* kSilentInstallKey = "SilentInstall";  // under kOrunSoftKey
inline constexpr const char* kOvxMetricsKey = "Software\\OvxMetrics";
