#pragma once

#include <optional>
#include <string_view>

namespace vantor {

// A whole number written in decimal or with a 0x prefix in hexadecimal; nullopt for anything
// else (signs, blanks, trailing characters, values beyond unsigned long).
std::optional<unsigned long> parseUnsignedNumber(std::string_view text);

}  // namespace vantor
