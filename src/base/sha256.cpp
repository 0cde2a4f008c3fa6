#include "base/sha256.h"
#include "base/win.h"

#include <wincrypt.h>

#include "base/file_utils.h"
#include "base/sha256_engine.h"
#include "base/sys_error.h"

namespace {

class Hasher {
public:
    Hasher() {
        if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
            const DWORD code = GetLastError();
            throw QDS_ERROR(SysError("CryptAcquireContext(PROV_RSA_AES) failed", functionAddress(&CryptAcquireContextA), code));
        }
        if (!CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_)) {
            const DWORD code = GetLastError();
            CryptReleaseContext(provider_, 0);
            throw QDS_ERROR(SysError("CryptCreateHash(CALG_SHA_256) failed", functionAddress(&CryptCreateHash), code));
        }
    }
    ~Hasher() {
        CryptDestroyHash(hash_);
        CryptReleaseContext(provider_, 0);
    }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    void add(const void* data, DWORD size) {
        if (!CryptHashData(hash_, static_cast<const BYTE*>(data), size, 0)) {
            const DWORD code = GetLastError();
            throw QDS_ERROR(SysError("CryptHashData failed", functionAddress(&CryptHashData), code));
        }
    }

    std::string hex() {
        BYTE digest[32];
        DWORD size = sizeof(digest);
        if (!CryptGetHashParam(hash_, HP_HASHVAL, digest, &size, 0)) {
            const DWORD code = GetLastError();
            throw QDS_ERROR(SysError("CryptGetHashParam(HP_HASHVAL) failed", functionAddress(&CryptGetHashParam), code));
        }
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (DWORD i = 0; i < size; ++i) {
            out += digits[digest[i] >> 4];
            out += digits[digest[i] & 15];
        }
        return out;
    }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};

}  // namespace

std::string sha256OfFile(HANDLE file) {
    Hasher hasher;
    FileUtils::readFromStart(file, [&](const char* data, std::size_t size) { hasher.add(data, static_cast<DWORD>(size)); });
    return hasher.hex();
}

std::string fastSha256OfFile(HANDLE file) {
    Sha256 hash;
    FileUtils::readFromStart(file, [&](const char* data, std::size_t size) { hash.update(data, size); });
    return hash.finishHex();
}

std::string sha256OfBytes(const void* data, size_t size) {
    Hasher hasher;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        hasher.add(p, piece);
        p += piece;
        size -= piece;
    }
    return hasher.hex();
}
