#pragma once
// What the install status report counts and keeps across runs: the visitor
// identifier, the metrics counters, the country, and the run's own values.
#include <string>

#include "base/win.h"
#include "net/service_timeout.h"

class Registry;

// The report's process-wide values.
struct PingValues {
    bool enabled = true;        // WEB_ANALYTICS: off, nothing is looked up, kept or sent
    std::string reportAddress;  // from the installer options document; empty: no report
    std::string country = "YY";
    std::string method = "qoff";
};
PingValues& pingValues();

// Keeps a stored identifier of 16 bytes or more, else makes and stores one.
void ensureVisitorId(std::string& visitorId);

// Counts this run into the 32-bit view's metrics key; the three texts are "XX"
// when the key cannot be opened. Returns a Windows error code.
LONG GetUpdatedOvxMetrics(int installResult, std::string& machineCounted, std::string& updateCount,
                          std::string& installAttempts);
// One value of the metrics key (own view unless a key is given), as the
// system reads it into the caller's buffer. Returns the query's error code.
LONG GetOvxMetrics(const Registry* key, const char* name, void* data, DWORD& size);
// "OfferedSPCnt", read once and deleted; -1 when absent, -2 on another error.
int takeOfferedSPCnt();
// "B" and 1 or 0 for each browser id 0 to 2 installed in that view, then "00".
std::string browserFlagsText(bool view32);

// Looks the country up (HEAD, header "COUNTRY") unless the policy key holds
// it; 1 when known, with the code in pingValues().country.
int GetCountry(const std::string& lookupAddress);
