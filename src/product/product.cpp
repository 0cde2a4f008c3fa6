#include "product/product.h"

#include <cstdio>

#include "base/all_utils.h"
#include "base/maker_addresses.h"
#include "base/sys_info.h"

namespace product {

int bitness() { return isNotNativeX64() ? 32 : 64; }

std::string cacheFolderName() { return std::string(kShortName) + kFamilyVersion + (bitness() == 64 ? "_x64" : ""); }

std::string packageFileName() { return std::string(kShortName) + kFamilyVersion + ".msi"; }

std::string promoPicturePath() {
    char folder[MAX_PATH] = {};
    if (!GetUserShellFolder(folder)) folder[0] = '\0';
    char path[2048] = {};
    std::snprintf(path, sizeof(path), "%s\\Kyn\\Orun\\%s%s\\%s.jpg", folder, kShortName, kFamilyVersion,
                  "OrunPromoPicture");
    return path;
}

std::string installerOptionsUrl() {
    return std::string(maker::kInstallerOptionsRoot) + kFamilyVersion + "/" + kVersion + ".xml";
}

}  // namespace product
