#include "launcher/preparation.h"

#include "launcher/options_document.h"

PackagePreparation::PackagePreparation(HMODULE module, std::string packagePath, bool held)
    : gate_(CreateEventW(nullptr, TRUE, held ? FALSE : TRUE, nullptr)) {
    // Without an event nothing waits.
    package_.start([this, module, path = std::move(packagePath)] {
        if (gate_.valid()) WaitForSingleObject(gate_.get(), kHoldLimitMs);
        payload_ = ExtractPayload(module, path, held_);
    });
    options_.start([this] {
        if (gate_.valid()) WaitForSingleObject(gate_.get(), kHoldLimitMs);
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
