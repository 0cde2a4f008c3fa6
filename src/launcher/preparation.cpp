#include "launcher/preparation.h"

#include <utility>

#include "launcher/options_document.h"

PackagePreparation::PackagePreparation(HMODULE module, std::string packagePath, bool held)
    : gate_(CreateEventW(nullptr, TRUE, held ? FALSE : TRUE, nullptr)) {
    // Without an event nothing waits.
    package_ = std::thread([this, module, path = std::move(packagePath)] {
        try {
            if (gate_.valid()) WaitForSingleObject(gate_.get(), kHoldLimitMs);
            payload_ = ExtractPayload(module, path, held_);
        } catch (...) {
            packageError_ = std::current_exception();
        }
    });
    options_ = std::thread([this] {
        try {
            if (gate_.valid()) WaitForSingleObject(gate_.get(), kHoldLimitMs);
            GetOptionsFromXmlIfOnline(optionsBuffer_);
        } catch (...) {
            optionsError_ = std::current_exception();
        }
    });
}

void PackagePreparation::go() {
    if (gate_.valid()) SetEvent(gate_.get());
}

PackagePreparation::~PackagePreparation() {
    go();
    if (package_.joinable()) package_.join();
    if (options_.joinable()) options_.join();
}

PayloadResult PackagePreparation::waitForPackage() {
    go();
    if (package_.joinable()) package_.join();
    if (packageError_) std::rethrow_exception(std::exchange(packageError_, nullptr));
    return payload_;
}

void PackagePreparation::waitForOptions() {
    go();
    if (options_.joinable()) options_.join();
    if (optionsError_) std::rethrow_exception(std::exchange(optionsError_, nullptr));
}
