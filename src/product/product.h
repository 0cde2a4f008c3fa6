#pragma once
// The runtime this launcher installs.
#include <string>

#include "product/product_version.h"

namespace product {

inline constexpr const char* kShortName = "ovx";
inline constexpr const char* kVersion = OVX_VERSION_TEXT;
inline constexpr const char* kFamilyVersion = OVX_FAMILY_VERSION_TEXT;
inline constexpr int kBuildNumber = OVX_BUILD_NUMBER;

// 32 when the launcher runs as a 32-bit process, else 64.
int bitness();

// <LocalLow>\Kyn\Orun\ovx1.9.0_x64, and the package file name in it.
std::string cacheFolderName();
std::string packageFileName();

// <LocalLow>\Kyn\Orun\ovx1.9.0\OrunPromoPicture.jpg: the sponsor picture
// that the progress page shows when it is there.
std::string promoPicturePath();

// The installer options document of this version on the download server
// (<root><family>/<version>.xml); the registry value "InstallerXmlURL" may name another.
std::string installerOptionsUrl();

}  // namespace product
