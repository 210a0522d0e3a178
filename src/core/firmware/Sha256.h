#pragma once

// SHA-256 (FIPS 180-4): the fingerprint of an image the program wrote, kept in the update history
// so that two records can be told apart by the bytes they put into the scale.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/scale/Bytes.h"

namespace vantor::firmware {

using Sha256Digest = std::array<Byte, 32>;

class Sha256 {
public:
    Sha256();

    // Adds bytes to the message; may be called any number of times before digest().
    void add(std::span<const Byte> bytes);
    // The digest of everything added. The object is spent afterwards.
    Sha256Digest digest();

private:
    void compressBlock(const Byte* block);

    std::array<std::uint32_t, 8> m_state;
    std::array<Byte, 64> m_block{};
    std::size_t m_blockUsed = 0;
    std::uint64_t m_length = 0;  // bytes added so far
};

// The digest of `bytes` as 64 lower-case hexadecimal digits, as sha256sum prints it.
std::string sha256Hex(std::span<const Byte> bytes);

}  // namespace vantor::firmware
