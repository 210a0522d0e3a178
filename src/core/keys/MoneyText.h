#pragma once

// Reading the numbers typed into the key table's boxes and showing money as "$#,##0.00". A box
// accepts every text the money format produces, so a rate shown by the form can be read back
// as it stands.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::keys {

// The user's separators (UTF-8): what the money format writes and the boxes accept.
struct NumberFormat {
    std::string decimal = ".";
    std::string group = ",";
};

// A number written with an optional sign, an optional dollar sign (before or after the sign),
// group separators between digits and an optional decimal part: "12", "12.5", "-$0.50",
// "$1,234.56", "$-3". Blanks around it are ignored; anything else gives nullopt.
std::optional<double> readNumber(std::string_view text, const NumberFormat& format = {});

// "$#,##0.00": "$1,234.56", "$0.00", "-$0.50".
std::string formatMoney(double value, const NumberFormat& format = {});

// Nearest whole number, ties to the even one (12.5 gives 12, 13.5 gives 14); nullopt outside
// the 16-bit range.
std::optional<std::int16_t> toInt16(double value);

}  // namespace vantor::keys
