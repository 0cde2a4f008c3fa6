// Prepares a test prefix for the test server (never the machine):
//   ovx_net_prefix proxy <host:port>   the prefix's Internet settings use that proxy
//   ovx_net_prefix noproxy             and no proxy again
//   ovx_net_prefix trust <ca.der>      the CA joins the prefix's LocalMachine "Root" store
// Commands can follow each other on one command line; each prints what it did.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
const char* const kSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

bool setProxy(const char* server) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD enable = server ? 1 : 0;
    bool ok = RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), sizeof enable) == ERROR_SUCCESS;
    if (server) {
        ok = ok && RegSetValueExA(key, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server),
                                  static_cast<DWORD>(std::strlen(server) + 1)) == ERROR_SUCCESS;
    } else {
        RegDeleteValueA(key, "ProxyServer");
    }
    RegCloseKey(key);
    return ok;
}

bool trust(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        std::printf("cannot read %s\n", path);
        return false;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (!store) {
        std::printf("CertOpenStore failed: %lu\n", GetLastError());
        return false;
    }
    const BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    if (!ok) std::printf("CertAddEncodedCertificateToStore failed: %lu\n", GetLastError());
    CertCloseStore(store, 0);
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string command = argv[i];
        if (command == "proxy" && i + 1 < argc) {
            if (!setProxy(argv[++i])) return 2;
            std::printf("proxy %s\n", argv[i]);
        } else if (command == "noproxy") {
            if (!setProxy(nullptr)) return 2;
            std::printf("no proxy\n");
        } else if (command == "trust" && i + 1 < argc) {
            if (!trust(argv[++i])) return 3;
            std::printf("trusted %s\n", argv[i]);
        } else {
            std::printf("usage: ovx_net_prefix [proxy HOST:PORT | noproxy | trust CA.der]...\n");
            return 1;
        }
    }
    std::fflush(stdout);
    return 0;
}
