#pragma once
// The texts of the install status report that need no system: the document
// itself, its access code and the form in which it is logged.
#include <string>

class OrunScrubPingData;

namespace ping {

// "<?xml ...?> <request> " + elements + "</request>", grown as needed; values
// are XML-escaped (&, <, >), so a registry or network text cannot break it.
class StatusReport {
public:
    StatusReport();
    void append(const std::string& name, const std::string& value);
    void append(const std::string& name, long long value) { append(name, std::to_string(value)); }
    // The document with its closing tag.
    std::string finish() const { return text_ + "</request>"; }

private:
    std::string text_;
};

std::string escapeXml(const std::string& value);

// The out-of-date removal's text as "list1", logged first; nothing when the
// removal did not run (null), and no element when its text is empty.
void appendRemovalReport(StatusReport& report, const OrunScrubPingData* removal);

// The value of "prop20": the production code for the maker's production
// address, a development marker for any other https address, a clear-text
// marker for anything else.
std::string accessCode(const std::string& address);
// The text after the first "," of the address, or "kyninstallstat".
std::string reportSuiteId(const std::string& address);
// "$name#value#..." without the access code; what "Ping Values: " logs.
std::string headRequestLogText(const std::string& report);
// The result the report counts: -128 when another version of the product is
// installed (1638), or when the runtime said it was there already and the
// install failed or was cancelled; otherwise the installer's own result.
int reportedResult(const std::string& installStatus, int installResult);

// The identifier made from the tick count, the time in seconds and the process id.
std::string composeVisitorId(unsigned long tick, unsigned long seconds, unsigned long processId);

}  // namespace ping
