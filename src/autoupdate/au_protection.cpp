#include "autoupdate/au_protection.h"

#include <dpapi.h>
#include <wincrypt.h>

#include <cstring>
#include <stdexcept>

#include "base/dll.h"
#include "base/memory_holders.h"
#include "base/source_location.h"

namespace au {
namespace {

// crypt32 is not a Known DLL: always the system directory's copy.
using ProtectFn = BOOL WINAPI(DATA_BLOB*, LPCWSTR, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
using UnprotectFn = BOOL WINAPI(DATA_BLOB*, LPWSTR*, DATA_BLOB*, PVOID, CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*);
using ToStringFn = BOOL WINAPI(const BYTE*, DWORD, DWORD, LPSTR, DWORD*);
using ToBinaryFn = BOOL WINAPI(LPCSTR, DWORD, DWORD, BYTE*, DWORD*, DWORD*, DWORD*);

const DllFunction<ProtectFn>& cryptProtectData() {
    static const DllFunction<ProtectFn> fn(loadSystemDll("crypt32.dll"), "CryptProtectData");
    return fn;
}
const DllFunction<UnprotectFn>& cryptUnprotectData() {
    static const DllFunction<UnprotectFn> fn(loadSystemDll("crypt32.dll"), "CryptUnprotectData");
    return fn;
}
const DllFunction<ToStringFn>& cryptBinaryToString() {
    static const DllFunction<ToStringFn> fn(loadSystemDll("crypt32.dll"), "CryptBinaryToStringA");
    return fn;
}
const DllFunction<ToBinaryFn>& cryptStringToBinary() {
    static const DllFunction<ToBinaryFn> fn(loadSystemDll("crypt32.dll"), "CryptStringToBinaryA");
    return fn;
}

[[noreturn]] void raise(const char* text, const SourceLocation& where) {
    throw makeQdsError(std::runtime_error(text + std::to_string(GetLastError())), where);
}

}  // namespace

std::vector<unsigned char> protectValue(DWORD value, bool localMachine) {
    DATA_BLOB in{sizeof value, reinterpret_cast<BYTE*>(&value)};
    DATA_BLOB out{};
    DWORD flags = CRYPTPROTECT_UI_FORBIDDEN;
    if (localMachine) flags |= CRYPTPROTECT_LOCAL_MACHINE;
    if (!cryptProtectData()(&in, nullptr, nullptr, nullptr, nullptr, flags, &out)) {
        raise("encryption failed, sysError=", QDS_HERE);
    }
    LocalPointer<BYTE> owned(out.pbData);
    return std::vector<unsigned char>(out.pbData, out.pbData + out.cbData);
}

std::string protectValueToText(DWORD value) { return binary2string(protectValue(value, true)); }

DWORD unprotectValue(const std::vector<unsigned char>& data) {
    DATA_BLOB in{static_cast<DWORD>(data.size()), const_cast<BYTE*>(data.data())};
    DATA_BLOB out{};
    if (!cryptUnprotectData()(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
        raise("decryption failed, sysError=", QDS_HERE);
    }
    LocalPointer<BYTE> owned(out.pbData);
    DWORD value = 0;
    if (out.cbData != sizeof value) throw QDS_ERROR(std::runtime_error("decrypted data has wrong size"));
    std::memcpy(&value, out.pbData, sizeof value);
    return value;
}

std::string binary2string(const std::vector<unsigned char>& data) {
    if (data.empty()) return std::string();
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD size = 0;
    if (!cryptBinaryToString()(data.data(), static_cast<DWORD>(data.size()), flags, nullptr, &size)) {
        raise("binary2string (phase1) failed, sysError=", QDS_HERE);
    }
    std::string text(size, '\0');
    if (!cryptBinaryToString()(data.data(), static_cast<DWORD>(data.size()), flags, text.data(), &size)) {
        raise("binary2string (phase2) failed, sysError=", QDS_HERE);
    }
    text.resize(size);  // the length without the terminating NUL
    return text;
}

std::vector<unsigned char> string2binary(const std::string& text) {
    if (text.empty()) return {};
    DWORD size = 0;
    if (!cryptStringToBinary()(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, nullptr, &size,
                               nullptr, nullptr)) {
        raise("string2binary (phase1) failed, sysError=", QDS_HERE);
    }
    std::vector<unsigned char> data(size);
    if (!cryptStringToBinary()(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, data.data(), &size,
                               nullptr, nullptr)) {
        raise("string2binary (phase2) failed, sysError=", QDS_HERE);
    }
    data.resize(size);
    return data;
}

}  // namespace au
