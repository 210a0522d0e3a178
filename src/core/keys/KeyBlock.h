#pragma once

// The byte image of one blank key in the scale's memory: 640 bytes, the 128 upper weights in
// grams (two bytes each) followed by the 128 rates in cents (three bytes each), most significant
// byte first, written as five 128-byte pages.

#include <array>
#include <cstdint>
#include <string>

#include "core/scale/Bytes.h"

namespace vantor::keys {

// WtUnit: the unit the table's weights are written in.
enum WeightUnit : std::int16_t { kOunces = 1, kPounds = 2, kGrams = 3 };

inline constexpr int kKeyCount = 6;
inline constexpr std::uint32_t kFirstKeyBlock = 0x8300;
inline constexpr std::uint32_t kKeyBlockSize = 0x280;
inline constexpr std::size_t kKeyEntries = 128;
inline constexpr std::size_t kWeightBytes = 2;
inline constexpr std::size_t kRateBytes = 3;
inline constexpr std::size_t kRatesOffset = kKeyEntries * kWeightBytes;
inline constexpr std::size_t kKeyPages = kKeyBlockSize / 128;

inline constexpr double kGramsPerOunce = 28.35;
inline constexpr double kGramsPerPound = 453.59;

using WeightEntries = std::array<std::int16_t, kKeyEntries>;
using RateEntries = std::array<float, kKeyEntries>;
using LongEntries = std::array<std::int32_t, kKeyEntries>;

// Block start of key 1..6: 0x8300 + (key - 1) * 0x280.
std::uint32_t keyBlockStart(int key);

// A weight in the unit (1 ounces, 2 pounds, 3 grams) in whole grams, halves to the even gram.
std::int32_t ConvertWeight(std::int16_t weight, std::int16_t unit);
// A rate held in single precision in whole cents, halves to the even cent.
std::int32_t toCents(float rate);

// Upper-case hexadecimal, left-padded with "0" to 2 x numByte digits; a longer text comes whole.
std::string ConvertHex(std::int64_t Value, int numByte);

// MaxWtsGrams and RatesCents, as programming fills them from the table.
LongEntries weightsInGrams(const WeightEntries& weights, std::int16_t unit);
LongEntries ratesInCents(const RateEntries& rates);

// The 640-byte block from the grams and cents of all 128 entries.
Bytes keyBlock(const LongEntries& grams, const LongEntries& cents);

}  // namespace vantor::keys
