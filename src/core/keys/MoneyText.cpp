#include "core/keys/MoneyText.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/app/Trimmed.h"

namespace vantor::keys {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool take(std::string_view& text, std::string_view what) {
    if (what.empty() || !text.starts_with(what))
        return false;
    text.remove_prefix(what.size());
    return true;
}

bool takeSign(std::string_view& text, bool& negative) {
    if (take(text, "-")) {
        negative = true;
        return true;
    }
    return take(text, "+");
}

// Digits, with group separators allowed only between digits. Appends the digits to `out`.
bool takeWholePart(std::string_view& text, const NumberFormat& format, std::string& out) {
    while (!text.empty()) {
        if (isDigit(text.front())) {
            out.push_back(text.front());
            text.remove_prefix(1);
        } else if (!out.empty() && text.size() > format.group.size() && take(text, format.group)) {
            if (!isDigit(text.front()))
                return false;
        } else {
            break;
        }
    }
    return true;
}

}  // namespace

std::optional<double> readNumber(std::string_view text, const NumberFormat& format) {
    text = trimmed(text, kTypedBlanks);
    bool negative = false;
    const bool signFirst = takeSign(text, negative);
    take(text, "$");
    if (!signFirst)
        takeSign(text, negative);

    std::string number = negative ? "-" : "";
    const std::size_t signLength = number.size();
    if (!takeWholePart(text, format, number))
        return std::nullopt;
    const bool hasWhole = number.size() > signLength;
    bool hasFraction = false;
    if (take(text, format.decimal)) {
        number.push_back('.');
        while (!text.empty() && isDigit(text.front())) {
            number.push_back(text.front());
            text.remove_prefix(1);
            hasFraction = true;
        }
        if (!hasFraction)
            number.pop_back();  // "5." is read as 5
    }
    if (!text.empty() || (!hasWhole && !hasFraction))
        return std::nullopt;

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatMoney(double value, const NumberFormat& format) {
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.2f", std::fabs(value));
    const std::string_view all(digits);
    const std::size_t point = all.find('.');
    const std::string_view whole = all.substr(0, point);
    const std::string_view cents = all.substr(point + 1);

    std::string text = value < 0 && all != "0.00" ? "-$" : "$";
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            text += format.group;
        text.push_back(whole[i]);
    }
    return text + format.decimal + std::string(cents);
}

std::optional<std::int16_t> toInt16(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // The default rounding mode rounds halves to the even neighbour.
    std::fesetround(FE_TONEAREST);
    const double whole = std::nearbyint(value);
    if (whole < std::numeric_limits<std::int16_t>::min() || whole > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(whole);
}

}  // namespace vantor::keys
