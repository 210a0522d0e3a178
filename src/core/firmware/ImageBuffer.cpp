#include "core/firmware/ImageBuffer.h"

#include <algorithm>
#include <cassert>

#include "core/scale/SerialNumber.h"

namespace vantor::firmware {

ImageBuffer::ImageBuffer() : m_bytes(kSize, kErased) {}

void ImageBuffer::reset() {
    std::fill(m_bytes.begin(), m_bytes.end(), kErased);
}

std::span<const Byte> ImageBuffer::page(std::uint32_t address) const {
    assert(address % scale::kPageSize == 0 && address < kSize);
    return std::span<const Byte>(m_bytes).subspan(address, scale::kPageSize);
}

ImageKind ImageBuffer::kind() const {
    switch (m_bytes[kKindAddress]) {
        case kApromMarker:
            return ImageKind::Aprom;
        case kLdromMarker:
            return ImageKind::Ldrom;
        default:
            return ImageKind::None;
    }
}

void ImageBuffer::UpdateSN(std::string_view scaleSerial) {
    scale::UpdateSN(m_bytes, scaleSerial);
}

scale::SerialBytes ImageBuffer::serialBytes() const {
    scale::SerialBytes serial{};
    std::copy_n(m_bytes.begin() + scale::kSerialAddress, serial.size(), serial.begin());
    return serial;
}

}  // namespace vantor::firmware
