// libFuzzer target for the numbers typed into the key table's boxes. A text is read as a finite
// number or refused; whatever the money format writes, the boxes read back as the same amount to
// the cent; rounding to a weight moves a number by at most a half.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "core/keys/MoneyText.h"

namespace {

using namespace vantor::keys;

// Separators users have: the decimal sign and the group separator (UTF-8).
const std::array<NumberFormat, 7> kFormats{{
    {".", ","},
    {",", "."},
    {",", " "},
    {",", "\u00A0"},
    {".", "'"},
    {".", ""},
    {"\u066B", "\u066C"},
}};

// %.2f rounds to the cent; reading the text back finds the double nearest that decimal.
bool sameToTheCent(double read, double written) {
    return std::fabs(read - written) <= 0.005 * (1 + 1e-9) + std::fabs(written) * 1e-15;
}

void checkMoney(double value, const NumberFormat& format) {
    const std::string text = formatMoney(value, format);
    const auto back = readNumber(text, format);
    FUZZ_REQUIRE(back.has_value());
    FUZZ_REQUIRE(sameToTheCent(*back, value));
    // The text is a fixed point: formatting what was read gives the same text.
    FUZZ_REQUIRE(formatMoney(*back, format) == text);
}

void checkRounding(double value) {
    const auto whole = toInt16(value);
    if (whole) {
        FUZZ_REQUIRE(std::fabs(*whole - value) <= 0.5);
    } else {
        FUZZ_REQUIRE(!std::isfinite(value) || value < -32768.5 || value > 32767.5);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const NumberFormat& format = kFormats[input.ConsumeIntegralInRange<std::size_t>(0, kFormats.size() - 1)];
    const double raw = input.ConsumeFloatingPoint<double>();
    const std::string text = input.ConsumeRemainingBytesAsString();

    if (const auto value = readNumber(text, format)) {
        FUZZ_REQUIRE(std::isfinite(*value));
        checkMoney(*value, format);
        checkRounding(*value);
    }
    if (std::isfinite(raw)) {
        checkMoney(raw, format);
        checkRounding(raw);
    }
    return 0;
}
