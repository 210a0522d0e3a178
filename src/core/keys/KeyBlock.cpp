#include "core/keys/KeyBlock.h"

#include <cfenv>
#include <cmath>
#include <cstdio>

namespace vantor::keys {

namespace {

std::int32_t roundHalfEven(double value) {
    std::fesetround(FE_TONEAREST);
    return static_cast<std::int32_t>(std::nearbyint(value));
}

// The field's bytes, read two hex digits at a time from the left of ConvertHex's text.
void putField(Bytes& block, std::size_t offset, std::int32_t value, std::size_t size) {
    const std::string hex = ConvertHex(value, static_cast<int>(size));
    for (std::size_t j = 0; j < size; ++j)
        block[offset + j] = static_cast<Byte>(std::stoi(hex.substr(2 * j, 2), nullptr, 16));
}

}  // namespace

std::uint32_t keyBlockStart(int key) {
    const auto offset = static_cast<std::uint16_t>((key - 1) * static_cast<int>(kKeyBlockSize));
    return kFirstKeyBlock + offset;
}

std::int32_t ConvertWeight(std::int16_t weight, std::int16_t unit) {
    switch (unit) {
        case kOunces:
            return roundHalfEven(weight * kGramsPerOunce);
        case kPounds:
            return roundHalfEven(weight * kGramsPerPound);
        default:
            return weight;
    }
}

std::int32_t toCents(float rate) {
    // The single value as it is held, times 100 with no rounding in between: $9,999.99 is held
    // as 9999.990234375 and gives 999999.
    return roundHalfEven(static_cast<double>(rate) * 100.0);
}

std::string ConvertHex(std::int64_t Value, int numByte) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%llX",
                  static_cast<unsigned long long>(static_cast<std::uint32_t>(Value)));
    std::string text(digits);
    const auto width = static_cast<std::size_t>(2 * numByte);
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

LongEntries weightsInGrams(const WeightEntries& weights, std::int16_t unit) {
    LongEntries grams{};
    for (std::size_t i = 0; i < kKeyEntries; ++i)
        grams[i] = ConvertWeight(weights[i], unit);
    return grams;
}

LongEntries ratesInCents(const RateEntries& rates) {
    LongEntries cents{};
    for (std::size_t i = 0; i < kKeyEntries; ++i)
        cents[i] = toCents(rates[i]);
    return cents;
}

Bytes keyBlock(const LongEntries& grams, const LongEntries& cents) {
    Bytes block(kKeyBlockSize, 0);
    for (std::size_t i = 0; i < kKeyEntries; ++i) {
        putField(block, kWeightBytes * i, grams[i], kWeightBytes);
        putField(block, kRatesOffset + kRateBytes * i, cents[i], kRateBytes);
    }
    return block;
}

}  // namespace vantor::keys
