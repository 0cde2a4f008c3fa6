#include "launcher/payload.h"

#include <algorithm>

#include "base/background_call.h"
#include "base/file_utils.h"
#include "base/logger.h"
#include "base/resource.h"
#include "base/report.h"
#include "base/sha256.h"
#include "base/sha256_engine.h"
#include "base/tstrings.h"

namespace {

// The resource's bytes, or null when the launcher lacks it.
const char* carriedBytes(HMODULE module, LPCSTR type, size_t& size) {
    try {
        return static_cast<const char*>(Resource(MAKEINTRESOURCEA(kRuntimePackageId), type, module).getPtr(size));
    } catch (const std::exception&) {
        return nullptr;
    }
}

// The digest recorded beside the package when the launcher was built.
std::string recordedDigest(HMODULE module) {
    size_t size = 0;
    const char* text = carriedBytes(module, kPackageDigestResourceType, size);
    if (!text) return std::string();
    return tstrings::toLower(tstrings::trim(std::string(text, size), std::string(" \t\r\n\0", 5)));
}

}  // namespace

bool CarriesPayload(HMODULE module) {
    size_t size = 0;
    return carriedBytes(module, kPackageResourceType, size) != nullptr;
}

PayloadResult ExtractPayload(HMODULE module, const std::string& packagePath, UniqueHandle& held,
                             const std::function<void()>& hashed) {
    size_t carriedSize = 0;
    const char* data = carriedBytes(module, kPackageResourceType, carriedSize);
    if (!data) return PayloadResult::Missing;
    const DWORD size = static_cast<DWORD>(carriedSize);

    // The carried bytes are hashed on another core while they are written
    // (no digest, on failure: the check below refuses the package).
    std::string carried;
    BackgroundCall hashing([&] {
        try {
            carried = sha256Hex(data, size);
        } catch (...) {
        }
        if (hashed) hashed();
    });

    HANDLE file = CreateFileA(packagePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) reportFatalError("Installer : Wrapper.CreateFile ", "Cannot create the package file " + packagePath);
    for (DWORD offset = 0; offset < size;) {
        const DWORD piece = std::min<DWORD>(8192, size - offset);
        DWORD written = 0;
        if (!WriteFile(file, data + offset, piece, &written, nullptr)) {
            reportFatalError("Installer : Wrapper.WriteFile (In small chunks) ", "Cannot write the package file " + packagePath);
        }
        offset += written;
    }
    if (!tryCloseHandle(file)) reportFatalError("Installer : Wrapper.CloseHandle ", "Cannot close the package file " + packagePath);

    // From here until the installer returns, readers only: nobody can swap or
    // delete the file. The installer opens the package denying writers, so the
    // writing handle cannot be the one kept; instead the file is compared, through
    // this very handle, with the bytes whose digest is taken, which catches a
    // file changed or replaced before the handle was opened.
    held.reset(CreateFileA(packagePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held.valid()) reportFatalError("Installer : Wrapper.CreateFile ", "Cannot open the package file " + packagePath);

    const std::string expected = recordedDigest(module);
    std::string actual;
    try {
        // The compare needs no digest. The hashing thread may still be ending
        // meanwhile: its exit waits for the loader, which the work started
        // once the bytes were hashed may hold for a while.
        const bool same = FileUtils::holdsExactly(held.get(), data, size);
        hashing.wait();
        actual = same ? carried : fastSha256OfFile(held.get());
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    if (expected.empty() || actual != expected) {
        LOG_ERROR("The package file " << packagePath << " is not the package this installer carries (SHA-256 "
                                      << (actual.empty() ? std::string("unreadable") : actual) << ", expected "
                                      << (expected.empty() ? std::string("none recorded") : expected)
                                      << "). It is damaged or was replaced, and will not be installed.");
        held.reset();
        return PayloadResult::DigestMismatch;
    }
    LOG_INFO("Package " << packagePath << " written and verified (SHA-256 " << actual << ")");
    return PayloadResult::Extracted;
}
