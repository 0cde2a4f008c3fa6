#pragma once
// Writes the embedded runtime package to the cache folder.
#include <functional>
#include <string>

#include "base/resource_ids.h"
#include "base/win.h"
#include "base/win_handles.h"

enum class PayloadResult {
    Extracted,       // written, held open and matching its recorded digest
    Missing,         // the launcher carries no package
    DigestMismatch,  // the file on disk is not the package that was built
};

// Resource ids of the package and of its SHA-256 recorded at build time.
inline constexpr const char* kPackageResourceType = "ORUN_INSTALLER";
inline constexpr const char* kPackageDigestResourceType = "ORUN_INSTALLER_SHA256";
inline constexpr int kRuntimePackageId = IDR_RUNTIME_PACKAGE;

// Whether the launcher carries a package at all.
bool CarriesPayload(HMODULE module);

// Writes the package in pieces of at most 8192 bytes, then holds it open for
// reading only (no writers, no deleters) in `held` until the caller lets go.
// A file that cannot be created, written or closed ends the process.
// `hashed` is called, from another thread, once the carried bytes are hashed
// (or could not be).
PayloadResult ExtractPayload(HMODULE module, const std::string& packagePath, UniqueHandle& held,
                             const std::function<void()>& hashed = nullptr);
