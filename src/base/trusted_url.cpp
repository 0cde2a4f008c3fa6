#include "base/trusted_url.h"

#include <cstring>

#include "base/maker_addresses.h"

namespace {
bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

bool IsTrustedUrl(const std::string& url) {
    for (const char* root : maker::kTrustedSiteRoots) {
        if (url.find(root) != std::string::npos) return true;
    }
    if (url.find(std::string(".") + maker::kCurrentDomain + "/") != std::string::npos) return true;

    const size_t dot = url.find('.');
    if (dot == std::string::npos) return false;
    const size_t slash = url.find('/', dot);
    if (slash == std::string::npos) return false;
    const std::string host = url.substr(0, slash);
    for (const char* domain : maker::kOlderDomains) {
        const std::string tail = std::string(".") + domain;
        if (endsWith(host, tail)) return true;
        // ".domain:NNNN" with a four-character port
        if (host.size() >= tail.size() + 5 && host.compare(host.size() - tail.size() - 5, tail.size() + 1, tail + ":") == 0) {
            return true;
        }
    }
    return false;
}

void AppendXmlElement(char* buffer, const char* name, const char* value) {
    std::strcat(buffer, "<");
    std::strcat(buffer, name);
    std::strcat(buffer, ">");
    std::strcat(buffer, value);
    std::strcat(buffer, "</");
    std::strcat(buffer, name);
    std::strcat(buffer, ">");
}
