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
    // Starts both, or with `held` they wait until go() (at most kHoldLimitMs),
    // so that a first page is not slowed down; the package must be carried
    // (CarriesPayload).
    PackagePreparation(HMODULE module, std::string packagePath, bool held);
    // Waits for whatever still runs.
    ~PackagePreparation();
    PackagePreparation(const PackagePreparation&) = delete;
    PackagePreparation& operator=(const PackagePreparation&) = delete;

    // Lets held work begin.
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

    static constexpr DWORD kHoldLimitMs = 1000;
    // The hashing ends well within this after the hold; a bound all the same.
    static constexpr DWORD kHashedLimitMs = 2 * kHoldLimitMs;

private:
    UniqueHandle gate_;
    UniqueHandle hashed_;  // manual reset
    UniqueHandle held_;
    PayloadResult payload_ = PayloadResult::Missing;
    char optionsBuffer_[2048] = {};
    // Last: they end before what they use goes.
    BackgroundCall package_;
    BackgroundCall options_;
};
