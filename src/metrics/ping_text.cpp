#include "metrics/ping_text.h"

#include <cstdio>
#include <vector>

#include "base/logger.h"
#include "base/maker_addresses.h"
#include "base/tstrings.h"
#include "scrub/scrub_ping_data.h"

namespace ping {

StatusReport::StatusReport() : text_("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <request> ") {}

void StatusReport::append(const std::string& name, const std::string& value) {
    text_ += "<" + name + ">" + escapeXml(value) + "</" + name + ">";
}

void appendRemovalReport(StatusReport& report, const OrunScrubPingData* removal) {
    if (!removal) return;
    const std::string text = removal->createUninstallPing();
    LOG_INFO("Orun Removal Tool ping: " << text);
    if (!text.empty()) report.append("list1", text);
}

std::string escapeXml(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string accessCode(const std::string& address) {
    if (address.find("https://") == std::string::npos) return "cleartextvalue";
    if (address.rfind(maker::kProductionMetricsUrl, 0) != 0) return "devsitemarker";
    char code[16];
    std::snprintf(code, sizeof(code), "%x", maker::kProductionAccessCode);
    return code;
}

std::string reportSuiteId(const std::string& address) {
    const size_t comma = address.find(',');
    return comma == std::string::npos ? "kyninstallstat" : address.substr(comma + 1);
}

std::string headRequestLogText(const std::string& report) {
    std::string copy = report;
    const std::string open = "<prop20>";
    const size_t start = copy.find(open);
    if (start != std::string::npos) {
        const size_t from = start + open.size();
        const size_t end = copy.find("</prop20>", from);
        for (size_t i = from; i < (end == std::string::npos ? copy.size() : end); ++i) copy[i] = ' ';
    }

    std::vector<std::string> pieces;
    std::string piece;
    for (const char c : copy) {
        if (c == '<' || c == '>' || c == ' ') {
            if (!piece.empty()) pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) pieces.push_back(piece);

    std::string out;
    bool started = false;
    bool pending = false;
    for (const std::string& p : pieces) {
        if (!started) {
            started = tstrings::toLower(p) == "request";
            continue;
        }
        if (p.find('/') != std::string::npos) {
            if (pending) out += "#";
            pending = false;
        } else if (!pending) {
            out += "$" + p;
            pending = true;
        } else {
            out += "#" + p;
        }
    }
    return out;
}

std::string composeVisitorId(unsigned long tick, unsigned long seconds, unsigned long processId) {
    char digits[40];
    std::snprintf(digits, sizeof(digits), "%lx%lx%lx", tick, seconds, processId);
    std::string text = digits;
    if (text.size() < 16) text += std::string("ffffffff").substr(0, 16 - text.size());
    const size_t half = text.size() / 2;
    return text.substr(0, half) + "-" + text.substr(half);
}

int reportedResult(const std::string& installStatus, int installResult) {
    if (installResult == 1638) return -128;
    if (installStatus == "exists" && (installResult == 1603 || installResult == 1602)) return -128;
    return installResult;
}

}  // namespace ping
