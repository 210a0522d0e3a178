#pragma once

// The scale's 8-digit serial number: its format test and its packed form.

#include <span>
#include <string>
#include <string_view>

#include "core/scale/ScaleProtocol.h"

namespace vantor::scale {

inline constexpr std::size_t kSerialDigits = 8;

// True exactly when the text is 8 characters long and every character is '0'..'9'.
bool CheckSerial(std::string_view serial);

// Two digits a byte, the first in the high nibble. A character that is not a digit, or is
// missing, counts as 0, so an empty text packs as four zero bytes.
SerialBytes packSerial(std::string_view serial);

// Packs `scaleSerial` into image bytes 0x0700..0x0703, whatever was there before. `image` must
// hold at least those bytes.
void UpdateSN(std::span<Byte> image, std::string_view scaleSerial);

// The serial number as a page read of 0x0700 carries it: characters 7 to 14 of the reply
// written as hex text, that is the hex digits of reply bytes 3..6.
std::string serialFromReply(std::span<const Byte> reply);

}  // namespace vantor::scale
