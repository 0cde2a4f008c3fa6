#pragma once
// SHA-256 in the launcher itself, with the processor's SHA instructions where
// it has them: fast enough to hash the package while it is written.
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    Sha256();
    void update(const void* data, std::size_t size);
    // Lower-case hexadecimal digest; the object is spent afterwards.
    std::string finishHex();

    // Whether this processor runs the SHA instruction path.
    static bool hasShaInstructions();
    // For tests: the portable rounds even where the instructions exist.
    static void forcePortable(bool portable);

private:
    void blocks(const std::uint8_t* data, std::size_t count);

    std::uint32_t state_[8];
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

// The digest of a block of memory.
std::string sha256Hex(const void* data, std::size_t size);
