#pragma once
// Whether the machine is on line.
#include <string>

namespace NetUtils {

// The system's connected state, else a HEAD request to the maker's web site.
bool isConnected();

// The decision of isConnected from a connected-state answer (the system's or a
// test's: Wine always reports a LAN connection) and the probe address.
bool isConnected(bool systemConnected, unsigned long stateFlags, const std::string& probeUrl);

}  // namespace NetUtils
