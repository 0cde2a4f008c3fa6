#pragma once
// The operating-system classes the launcher tells apart (2: Vista or later).
#include <string>

int osVersionClassOf(unsigned major, unsigned minor);
// "win7", "win2012R2", "10.0", ... plus "-sp<N>" when the service pack is not 0.
std::string osNameOf(unsigned major, unsigned minor, bool workstation, unsigned servicePackMajor);
