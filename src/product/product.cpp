#include "product/product.h"

#include "base/maker_addresses.h"
#include "base/sys_info.h"

namespace product {

int bitness() { return isNotNativeX64() ? 32 : 64; }

std::string cacheFolderName() { return std::string(kShortName) + kFamilyVersion + (bitness() == 64 ? "_x64" : ""); }

std::string packageFileName() { return std::string(kShortName) + kFamilyVersion + ".msi"; }

std::string installerOptionsUrl() {
    return std::string(maker::kInstallerOptionsRoot) + kFamilyVersion + "/" + kVersion + ".xml";
}

}  // namespace product
