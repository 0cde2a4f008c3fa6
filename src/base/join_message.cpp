#include "base/join_message.h"

#include <cstring>

namespace {
const char* const kBlanks = " \t\r\n\v\f";
}

std::string joinMessage(const std::string& context, const std::string& details) {
    std::string result = context;
    result.erase(result.find_last_not_of(kBlanks) + 1);
    std::string body = details;
    body.erase(body.find_last_not_of(kBlanks) + 1);
    body.erase(0, body.find_first_not_of(kBlanks) == std::string::npos ? body.size() : body.find_first_not_of(kBlanks));
    if (body.empty()) return result;
    if (!result.empty()) result += std::strchr(";.,:!?", result.back()) ? " " : ". ";
    return result + body;
}
