#pragma once
// Steps 12 and 13 beside the pages: the package is written and checked, and the
// options document fetched, while a person reads the welcome page; a silent run
// fetches the document while the package is written. The install waits for both.
// The document waits until the package is hashed: loading its libraries holds
// the loader, which every new thread needs, and takes a core from the hashing.
#include <string>

#include "base/background_call.h"
#include "base/win.h"
#include "base/win_handles.h"
#include "launcher/payload.h"

class PackagePreparation {
public:
    // Starts both at once, or with `deferred` only at go(), so that a first
    // page is not slowed down even by their threads' start; the package must
    // be carried (CarriesPayload).
    PackagePreparation(HMODULE module, std::string packagePath, bool deferred);
    PackagePreparation(const PackagePreparation&) = delete;
    PackagePreparation& operator=(const PackagePreparation&) = delete;

    // Starts both, once.
    void go();

    // The package written, checked and then held in heldPackage(), or not;
    // an exception of the writing is raised here.
    PayloadResult waitForPackage();
    // The options document read and the sponsor picture in place (or not).
    void waitForOptions();
    UniqueHandle& heldPackage() { return held_; }
    // Set once the carried package is hashed, or its writing has ended: for
    // other work that loads libraries to wait for.
    HANDLE hashed() const { return hashed_.get(); }

    // The hashing ends well within this after the start; a bound all the same.
    static constexpr DWORD kHashedLimitMs = 2000;

private:
    HMODULE module_;
    std::string packagePath_;
    UniqueHandle hashed_;  // manual reset
    UniqueHandle held_;
    PayloadResult payload_ = PayloadResult::Missing;
    char optionsBuffer_[2048] = {};
    // Last: they end before what they use goes.
    BackgroundCall package_;
    BackgroundCall options_;
};
