#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/scale/Bytes.h"
#include "core/scale/ScaleProtocol.h"

namespace vantor::firmware {

// What byte 0x06FF says the image is for: the scale's application memory or its boot loader.
enum class ImageKind { None, Aprom, Ldrom };

// The scale's whole program memory as it is going to be written: 64 KiB, every byte FF where no
// file has put anything, the serial number at 0x0700..0x0703.
class ImageBuffer {
public:
    static constexpr std::size_t kSize = scale::kMemorySize;
    static constexpr std::size_t kKindAddress = 0x06FF;
    static constexpr Byte kApromMarker = 0xAA;
    static constexpr Byte kLdromMarker = 0x55;
    static constexpr Byte kErased = 0xFF;

    ImageBuffer();

    // Every byte back to FF, so that nothing of an earlier file survives.
    void reset();

    Byte& operator[](std::size_t address) { return m_bytes[address]; }
    Byte operator[](std::size_t address) const { return m_bytes[address]; }
    std::span<Byte> bytes() { return m_bytes; }
    std::span<const Byte> bytes() const { return m_bytes; }
    // The page of scale::kPageSize bytes starting at `address` (a multiple of the page size).
    std::span<const Byte> page(std::uint32_t address) const;

    ImageKind kind() const;

    // The scale's serial number packed over whatever is at 0x0700..0x0703.
    void UpdateSN(std::string_view scaleSerial);
    scale::SerialBytes serialBytes() const;

    friend bool operator==(const ImageBuffer&, const ImageBuffer&) = default;

private:
    Bytes m_bytes;
};

}  // namespace vantor::firmware
