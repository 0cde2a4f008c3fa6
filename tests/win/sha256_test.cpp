// The launcher's own SHA-256 against the system's CryptoAPI, on random data of
// many sizes, with the processor's SHA instructions where it has them.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/sha256.h"
#include "base/sha256_engine.h"

TEST(Sha256, TheLaunchersOwnAgreesWithCryptoApi) {
    std::mt19937 random(1638);
    for (size_t size : {0u, 1u, 55u, 56u, 64u, 65u, 1000u, 8192u, 65536u, 1048583u}) {
        std::vector<unsigned char> data(size);
        for (auto& b : data) b = static_cast<unsigned char>(random());
        EXPECT_EQ(sha256Hex(data.data(), data.size()), sha256OfBytes(data.data(), data.size())) << size << " bytes";
    }
    RecordProperty("sha_instructions", Sha256::hasShaInstructions() ? "yes" : "no");
}
