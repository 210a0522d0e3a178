#pragma once

// The zone chart the postal service publishes for one origin 3-digit ZIP Code prefix, read from
// the text of its web page as the user copies and pastes it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::zones {

// The scale's zone table has room for this many destinations.
inline constexpr std::size_t kZoneEntries = 256;
// Digits of an origin and of a destination's ZIP prefix.
inline constexpr std::size_t kOriginDigits = 3;

struct ZoneChart {
    // Destination prefix of entry i; for a range such as 006---009, its last prefix.
    std::array<std::int32_t, kZoneEntries> ZipPrefixes{};
    std::array<std::int16_t, kZoneEntries> Zones{};
    // Entries held in the two arrays, in chart order.
    int ZipCount = 0;
    // The origin prefix as the chart writes it (three characters); "0" when the chart names none.
    std::string OriginZip = "0";
    // Entries on the chart, those that found no room in the table included.
    std::size_t entriesFound = 0;

    bool tooManyEntries() const { return entriesFound > kZoneEntries; }
};

// Reads the origin prefix and the (destination prefix, zone) entries from a pasted zone-chart page.
// Lines end with LF, with or without a CR before it. The first line is never looked at (it is the
// page's title); entries are taken from the first line that starts with "005" on. Tabs and runs of
// blanks count as one space. An entry is three digits, a space, a one-digit zone, then a space,
// an asterisk, a plus sign or the end of the line.
ZoneChart ParseString(std::string_view text);

}  // namespace vantor::zones
