// libFuzzer target for the pasted zone chart. Whatever is pasted, the table never holds more than
// the scale's 256 entries, every entry is a three-digit prefix with a one-digit zone, and a chart
// that is accepted is exactly what gets encoded: sorted, zero past its last entry, a valid origin.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "core/zones/ZoneChartCheck.h"
#include "core/zones/ZoneTable.h"

namespace {

using namespace vantor::zones;

void checkEntries(const ZoneChart& chart) {
    FUZZ_REQUIRE(chart.ZipCount >= 0 && static_cast<std::size_t>(chart.ZipCount) <= kZoneEntries);
    FUZZ_REQUIRE(static_cast<std::size_t>(chart.ZipCount) == std::min(chart.entriesFound, kZoneEntries));
    for (int i = 0; i < chart.ZipCount; ++i) {
        FUZZ_REQUIRE(chart.ZipPrefixes[i] >= 0 && chart.ZipPrefixes[i] <= 999);
        FUZZ_REQUIRE(chart.Zones[i] >= 0 && chart.Zones[i] <= 9);
    }
}

void checkAccepted(const ZoneChartReading& reading) {
    const ZoneChart& table = reading.table;
    FUZZ_REQUIRE(originIsValid(table.OriginZip));
    FUZZ_REQUIRE(!table.tooManyEntries());
    FUZZ_REQUIRE(std::is_sorted(table.ZipPrefixes.begin(), table.ZipPrefixes.begin() + table.ZipCount));
    for (std::size_t i = static_cast<std::size_t>(table.ZipCount); i < kZoneEntries; ++i)
        FUZZ_REQUIRE(table.ZipPrefixes[i] == 0 && table.Zones[i] == 0);

    // The pages carry the entries as they stand: zone bytes first, then prefixes high byte first.
    const ZoneTablePages pages = encodeZoneTable(table);
    for (std::size_t i = 0; i < kZoneEntries; ++i) {
        const std::size_t zoneAt = i, prefixAt = i * kPrefixBytes;
        const auto& zonePage = pages[zoneAt / vantor::scale::kPageSize];
        const auto& prefixPage = pages[kZonePages + prefixAt / vantor::scale::kPageSize];
        FUZZ_REQUIRE(zonePage.bytes[zoneAt % vantor::scale::kPageSize] == table.Zones[i]);
        const unsigned prefix =
            static_cast<unsigned>(prefixPage.bytes[prefixAt % vantor::scale::kPageSize] << 8 |
                                  prefixPage.bytes[prefixAt % vantor::scale::kPageSize + 1]);
        FUZZ_REQUIRE(prefix == static_cast<unsigned>(table.ZipPrefixes[i]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ZoneChart chart = ParseString(text);
    checkEntries(chart);

    const ZoneChartReading reading = readZoneChart(text);
    checkEntries(reading.table);
    FUZZ_REQUIRE(reading.table.entriesFound == chart.entriesFound);
    if (reading.accepted())
        checkAccepted(reading);
    else
        FUZZ_REQUIRE(text.empty() || !originIsValid(chart.OriginZip) || chart.ZipCount == 0 ||
                     chart.tooManyEntries());
    return 0;
}
