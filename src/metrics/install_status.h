#pragma once
// Registry markers shared with the runtime's package, and the install status report.
#include <string>

#include "base/win.h"
#include "scrub/scrub_ping_data.h"

class InstallConfigData;

// Removes "InstallStatus" (and the key "OrunSoft" when it is left empty).
void ClearInstallStatus();
// The "InstallStatus" text, when present and not empty.
bool readInstallStatus(const char* name, char* buffer, DWORD size);
// The newest installed runtime other than this one, without its build.
bool GetLatestOvxKey(std::string& version);
// Both return a Windows error code, 0 on success.
LONG GetMSIStatus(DWORD& error, DWORD& extendedError);
LONG ClearMSIStatus();

// The policy key's text values; without a text the value is deleted.
bool readPolicyValue(const char* name, char* buffer, DWORD& size);
bool writePolicyValue(const char* name, const char* text);

// Posts the report (user agent "qupdate"); 1 when sent. Logs it afterwards
// in either case, without its access code.
int postReport(const std::string& address, const std::string& report);
void LogHeadRequestBuffer(const std::string& report);

// 1 when no report was due or it was sent, 0 when sending failed.
int SendHeadRequest(const InstallConfigData& config, const OrunScrubPingData* scrubData, const std::string& previousVersion,
                    int installResult, int auStatus, const std::string& previousAuVersion,
                    const std::string& resourceAuVersion, const std::string& previousVersionAgain,
                    const std::string& deployStatus, DWORD msiStatusError, DWORD msiStatusExtendedError);
