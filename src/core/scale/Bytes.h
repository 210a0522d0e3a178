#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantor {

using Byte = std::uint8_t;
using Bytes = std::vector<Byte>;

// Upper-case hex, two digits a byte; with `spaced` the bytes are separated by one blank.
std::string toHex(std::span<const Byte> bytes, bool spaced = false);
// The value of one hexadecimal digit, either case; -1 for any other character.
int hexDigitValue(char c);

}  // namespace vantor
