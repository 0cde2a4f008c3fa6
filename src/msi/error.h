#pragma once
#include <stdexcept>
#include <string>

namespace msi {

// A Windows Installer failure with its return code. Raised as QdsError<msi::Error>.
class Error : public std::runtime_error {
public:
    Error(const std::string& context, unsigned code);
    unsigned getCode() const { return code_; }

private:
    unsigned code_;
};

// "<context>. MSI error [<code>](<the installer's own text>)"
std::string makeMessage(const std::string& context, unsigned code);

}  // namespace msi

// True for the results that count as an installed runtime: 0, and 3010 or 1641
// (installed, a restart is needed or under way).
bool IsInstallSuccess(int result);
