#pragma once
// The settings library's errors: every one carries its status code.
#include <stdexcept>
#include <string>

namespace settings {

class Exception : public std::runtime_error {
public:
    explicit Exception(int code, const std::string& message = std::string())
        : std::runtime_error(message.empty() ? "settings error " + std::to_string(code) : message), code_(code) {}
    int getCode() const { return code_; }

private:
    int code_;
};

template <int Code>
class ExceptionCode : public Exception {
public:
    explicit ExceptionCode(const std::string& message = std::string()) : Exception(Code, message) {}
};

}  // namespace settings
