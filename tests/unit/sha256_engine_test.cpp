// The launcher's own SHA-256: the standard test vectors on both paths, and the
// two paths against each other on data of many sizes fed in uneven pieces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/sha256_engine.h"

namespace {

class BothPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { Sha256::forcePortable(GetParam()); }
    void TearDown() override { Sha256::forcePortable(false); }
};

TEST_P(BothPaths, StandardVectors) {
    EXPECT_EQ(sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(sha256Hex(two.data(), two.size()), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    const std::string four = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
                             "lmnopqrsmnopqrstnopqrstu";
    EXPECT_EQ(sha256Hex(four.data(), four.size()), "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
    Sha256 million;
    const std::string as(1000, 'a');
    for (int i = 0; i < 1000; ++i) million.update(as.data(), as.size());
    EXPECT_EQ(million.finishHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

INSTANTIATE_TEST_SUITE_P(Sha256, BothPaths, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Portable" : "Fastest"; });

TEST(Sha256, BothPathsAgreeOnEverySizeAndSplit) {
    std::mt19937 random(20261209);
    std::vector<unsigned char> data(70000);
    for (auto& b : data) b = static_cast<unsigned char>(random());
    for (size_t size : {1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 127u, 128u, 1000u, 4096u, 65537u, 70000u}) {
        Sha256::forcePortable(true);
        const std::string expected = sha256Hex(data.data(), size);
        Sha256::forcePortable(false);
        Sha256 pieces;
        for (size_t done = 0; done < size;) {
            const size_t piece = std::min<size_t>(size - done, 1 + random() % 200);
            pieces.update(data.data() + done, piece);
            done += piece;
        }
        EXPECT_EQ(pieces.finishHex(), expected) << size << " bytes";
    }
}

}  // namespace
