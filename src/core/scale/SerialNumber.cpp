#include "core/scale/SerialNumber.h"

#include <algorithm>

namespace vantor::scale {

namespace {

Byte digitValue(std::string_view text, std::size_t index) {
    if (index >= text.size())
        return 0;
    const char c = text[index];
    return (c >= '0' && c <= '9') ? static_cast<Byte>(c - '0') : 0;
}

}  // namespace

bool CheckSerial(std::string_view serial) {
    return serial.size() == kSerialDigits &&
           std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; });
}

SerialBytes packSerial(std::string_view serial) {
    SerialBytes packed{};
    for (std::size_t k = 0; k < packed.size(); ++k)
        packed[k] = static_cast<Byte>(16 * digitValue(serial, 2 * k) + digitValue(serial, 2 * k + 1));
    return packed;
}

void UpdateSN(std::span<Byte> image, std::string_view scaleSerial) {
    const SerialBytes packed = packSerial(scaleSerial);
    std::copy(packed.begin(), packed.end(), image.begin() + kSerialAddress);
}

std::string serialFromReply(std::span<const Byte> reply) {
    constexpr std::size_t kFirstChar = 6;  // character 7, counted from 1
    const std::string hex = toHex(reply);
    if (hex.size() <= kFirstChar)
        return {};
    return hex.substr(kFirstChar, kSerialDigits);
}

}  // namespace vantor::scale
