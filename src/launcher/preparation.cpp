#include "launcher/preparation.h"

#include "launcher/options_document.h"

PackagePreparation::PackagePreparation(HMODULE module, std::string packagePath, bool deferred)
    : module_(module), packagePath_(std::move(packagePath)), hashed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!deferred) go();
}

void PackagePreparation::go() {
    if (package_.started()) return;
    package_.start([this] {
        // Set however the writing ends, so that nothing waits out its bound.
        struct Hashed {
            HANDLE event;
            void set() const {
                if (event) SetEvent(event);
            }
            ~Hashed() { set(); }
        } hashed{hashed_.get()};
        payload_ = ExtractPayload(module_, packagePath_, held_, [&hashed] { hashed.set(); });
    });
    // Without an event nothing waits.
    options_.start([this] {
        if (hashed_.valid()) WaitForSingleObject(hashed_.get(), kHashedLimitMs);
        GetOptionsFromXmlIfOnline(optionsBuffer_);
    });
}

PayloadResult PackagePreparation::waitForPackage() {
    go();
    package_.wait();
    return payload_;
}

void PackagePreparation::waitForOptions() {
    go();
    options_.wait();
}
