#include "core/zones/ZoneTable.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vantor::zones {

using scale::kPageSize;

ZoneChart sortForScale(ZoneChart chart) {
    const auto count = static_cast<std::size_t>(chart.ZipCount);
    std::vector<std::pair<std::int32_t, std::int16_t>> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        entries.emplace_back(chart.ZipPrefixes[i], chart.Zones[i]);
    // Stable, as the bubble sort that swaps only a strictly smaller later prefix always was: the
    // scale's lookup may rely on the chart's order among equal prefixes.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < kZoneEntries; ++i) {
        chart.ZipPrefixes[i] = i < count ? entries[i].first : 0;
        chart.Zones[i] = i < count ? entries[i].second : 0;
    }
    return chart;
}

ZoneTablePages encodeZoneTable(const ZoneChart& sorted) {
    ZoneTablePages pages;
    for (std::size_t p = 0; p < kZonePages; ++p) {
        pages[p].address = static_cast<std::uint16_t>(kZonesAddress + p * kPageSize);
        for (std::size_t j = 0; j < kPageSize; ++j)
            pages[p].bytes[j] = static_cast<Byte>(sorted.Zones[p * kPageSize + j]);
    }
    const std::size_t entriesPerPage = kPageSize / kPrefixBytes;
    for (std::size_t p = 0; p < kPrefixPages; ++p) {
        ZoneTablePage& page = pages[kZonePages + p];
        page.address = static_cast<std::uint16_t>(kPrefixesAddress + p * kPageSize);
        for (std::size_t e = 0; e < entriesPerPage; ++e) {
            const auto prefix = static_cast<std::uint16_t>(sorted.ZipPrefixes[p * entriesPerPage + e]);
            page.bytes[kPrefixBytes * e] = static_cast<Byte>(prefix >> 8);
            page.bytes[kPrefixBytes * e + 1] = static_cast<Byte>(prefix & 0xFF);
        }
    }
    return pages;
}

}  // namespace vantor::zones
