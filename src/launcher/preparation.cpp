#include "launcher/preparation.h"

#include "launcher/options_document.h"

PackagePreparation::PackagePreparation(HMODULE module, std::string packagePath, bool held)
    : gate_(CreateEventW(nullptr, TRUE, held ? FALSE : TRUE, nullptr)),
      hashed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    // Without an event nothing waits.
    package_.start([this, module, path = std::move(packagePath)] {
        // Set however the writing ends, so that nothing waits out its bound.
        struct Hashed {
            HANDLE event;
            void set() const {
                if (event) SetEvent(event);
            }
            ~Hashed() { set(); }
        } hashed{hashed_.get()};
        if (gate_.valid()) WaitForSingleObject(gate_.get(), kHoldLimitMs);
        payload_ = ExtractPayload(module, path, held_, [&hashed] { hashed.set(); });
    });
    options_.start([this] {
        if (hashed_.valid()) WaitForSingleObject(hashed_.get(), kHashedLimitMs);
        GetOptionsFromXmlIfOnline(optionsBuffer_);
    });
}

void PackagePreparation::go() {
    if (gate_.valid()) SetEvent(gate_.get());
}

PackagePreparation::~PackagePreparation() { go(); }

PayloadResult PackagePreparation::waitForPackage() {
    go();
    package_.wait();
    return payload_;
}

void PackagePreparation::waitForOptions() {
    go();
    options_.wait();
}
