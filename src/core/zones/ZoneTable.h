#pragma once

// The zone table as the scale holds it: one zone byte per entry at 0x8000, one two-byte prefix per
// entry at 0x8100 (most significant byte first), entries sorted by prefix and zero past the last.
// It ends where the blank-key blocks begin (0x8300).

#include <array>
#include <cstdint>

#include "core/scale/ScaleProtocol.h"
#include "core/zones/ZoneChart.h"

namespace vantor::zones {

inline constexpr std::uint16_t kZonesAddress = 0x8000;
inline constexpr std::uint16_t kPrefixesAddress = 0x8100;
inline constexpr std::size_t kPrefixBytes = 2;
inline constexpr std::size_t kZonePages = kZoneEntries / scale::kPageSize;                   // 2
inline constexpr std::size_t kPrefixPages = kZoneEntries * kPrefixBytes / scale::kPageSize;  // 4
inline constexpr std::size_t kZoneTablePages = kZonePages + kPrefixPages;

struct ZoneTablePage {
    std::uint16_t address = 0;
    std::array<Byte, scale::kPageSize> bytes{};
};

using ZoneTablePages = std::array<ZoneTablePage, kZoneTablePages>;

// The chart's entries sorted by prefix, ascending; entries with equal prefixes keep their chart
// order. Every slot past ZipCount is zero, whatever it held before.
ZoneChart sortForScale(ZoneChart chart);

// The six pages in the order they are written: the two zone pages, then the four prefix pages.
ZoneTablePages encodeZoneTable(const ZoneChart& sorted);

}  // namespace vantor::zones
