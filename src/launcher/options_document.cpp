#include "launcher/options_document.h"

#include <cstring>
#include <memory>
#include <atomic>

#include "base/bounded_call.h"
#include "base/com_holders.h"
#include "base/dll.h"
#include "base/locale.h"
#include "base/file_paths.h"
#include "base/logger.h"
#include "base/process_paths.h"
#include "base/report.h"
#include "base/resource.h"
#include "base/resource_ids.h"
#include "base/sha256.h"
#include "base/sys_error.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "metrics/install_status.h"
#include "metrics/installer_options.h"
#include "metrics/ovx_metrics.h"
#include "net/http_connection.h"
#include "product/product.h"
#include "product/registry_places.h"
#include "registry/registry.h"

namespace {

// The sponsor picture stays open, denying writers and deleters, until the
// launcher ends: the progress page draws the very bytes that were verified.
UniqueHandle& verifiedPicture() {
    static UniqueHandle picture;
    return picture;
}

// How long the picture's download may take before the run goes on without it.
const DWORD kPictureTimeoutMs = 60000;

std::string languageCode() {
    try {
        return Locale::fromLangId(Resource::uiLanguage()).getAltName();
    } catch (const std::exception&) {
        return "en";
    }
}

std::string optionsAddress() {
    Registry key;
    RegValue value;
    if (key.tryOpen(Registry::hklm64, kOrunSoftKey, KEY_READ) == ERROR_SUCCESS &&
        key.tryGetValue("InstallerXmlURL", value) == ERROR_SUCCESS &&
        (value.type == REG_SZ || value.type == REG_EXPAND_SZ)) {
        std::string text = value.text();
        if (text.size() > 2047) text.resize(2047);
        if (!text.empty()) return text;
    }
    return product::installerOptionsUrl();
}

// The download goes to a name beside the picture; only a finished download is
// moved into place, so a download that outlives its bound never replaces a
// picture later (it removes its own file when it finds itself abandoned).
bool downloadPicture(const std::string& url, const std::string& path) {
    const std::string partPath = path + ".download";
    auto result = std::make_shared<HRESULT>(E_FAIL);
    auto abandoned = std::make_shared<std::atomic<bool>>(false);
    try {
        callWithin(kPictureTimeoutMs, "The sponsor picture's download " + url, [url, partPath, result, abandoned] {
            ComScope com;
            using Fn = HRESULT WINAPI(LPUNKNOWN, LPCSTR, LPCSTR, DWORD, LPBINDSTATUSCALLBACK);
            DllFunction<Fn> urlDownloadToFile(loadSystemDll("urlmon.dll"), "URLDownloadToFileA");
            *result = urlDownloadToFile(nullptr, url.c_str(), partPath.c_str(), 0, nullptr);
            if (*abandoned) DeleteFileA(partPath.c_str());
        });
    } catch (const std::exception& e) {
        *abandoned = true;
        REPORT_EXCEPTION(e);
        return false;
    }
    if (FAILED(*result) || !MoveFileExA(partPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partPath.c_str());
        return false;
    }
    return true;
}

}  // namespace

int getCheckSum(const char* path, char* out, UniqueHandle* keepOpen) {
    // Shared for reading only: nobody writes or deletes it while it is hashed.
    UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        const std::string what = tstrings::format("Error opening file \"%s\"", path ? path : "(null)");
        LOG_ERROR(tstrings::format("%s failed with %s", what.c_str(), formatSystemError(code, nullptr).c_str()));
        return 0;
    }
    try {
        const std::string digest = sha256OfFile(file.get());
        std::memcpy(out, digest.c_str(), digest.size() + 1);
    } catch (const std::exception& e) {
        LOG_ERROR(e.what());
        return 0;
    }
    if (keepOpen) *keepOpen = std::move(file);
    return 1;
}

bool GetOptionsFromXmlIfOnline(char* buffer) {
    buffer[0] = '\0';
    PingValues& values = pingValues();
    values.reportAddress.clear();
    const std::string code = languageCode();

    bool result = false;
    InstallerOptions options;
    try {
        const std::string address = optionsAddress();
        auto document = std::make_shared<std::string>();
        const bool dialogs = !isSilentRun();
        callWithin(kServiceTimeoutMs, "The options document " + address, [address, document, dialogs] {
            HttpConnection connection(address);
            connection.showErrorDialogs = dialogs;
            connection.timeoutMs = kServiceTimeoutMs;
            connection.connect(true).saveToString(*document);
        });
        result = readInstallerOptions(*document, code, options);
        std::strncpy(buffer, options.offlineOptions.c_str(), kOptionsValueMax);
        buffer[kOptionsValueMax] = '\0';
        values.reportAddress = options.reportAddress;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }

    // The country serves the report alone: without reports it is neither looked up nor kept.
    if (result && values.enabled) {
        char country[9] = {};
        DWORD size = sizeof(country) - 1;
        if (readPolicyValue("Country", country, size)) {
            values.country.assign(country, strnlen(country, size));
        } else {
            GetCountry(options.lookupAddress);
        }
    }

    const std::string path = product::promoPicturePath();
    // A 64-bit run's cache folder has another name: this one may not exist yet.
    createFolderChain(FileUtils::dirname(path), nullptr);
    const std::string url = tstrings::format("%s/%s_%s.jpg", options.pictureBase.c_str(), "OrunPromoPicture", code.c_str());
    downloadPicture(url, path);
    const std::string expected = StringResource(IDS_PROMO_PICTURE_DIGEST).string(std::string());
    char actual[65] = {};
    UniqueHandle picture;
    if (getCheckSum(path.c_str(), actual, &picture)) {
        if (expected.compare(0, 65, actual) == 0) {
            verifiedPicture() = std::move(picture);
            return result;
        }
        LOG_ERROR(tstrings::format("Checksum verification for \"%s\" file failed: expected=[%s]; actual=[%s]; "
                                   "algorithm=%d.",
                                   path.c_str(), expected.c_str(), actual, CALG_SHA_256));
    }
    picture.reset();
    DeleteFileA(path.c_str());
    return result;
}
