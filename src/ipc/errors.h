#pragma once
// The errors of the ipc library. Throw sites wrap them in QdsError, which
// puts the raise site in front of "ipc error"; handlers catch these types.
#include <exception>

namespace ipc {

class Error : public std::exception {
public:
    const char* what() const noexcept override { return "ipc error"; }
};

// A system call failed; the call and the system's description are in the log.
class PlatformError : public Error {};

// A wait reached its limit.
class TimeoutExpiredError : public Error {};

}  // namespace ipc
