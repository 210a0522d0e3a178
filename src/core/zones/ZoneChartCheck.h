#pragma once

// The checks a pasted zone chart passes before anything is written into the scale.

#include <optional>
#include <string_view>

#include "core/zones/ZoneChart.h"
#include "core/zones/ZoneMessages.h"

namespace vantor::zones {

// Lowest and highest origin prefix the scale accepts.
inline constexpr int kLowestOrigin = 5;
inline constexpr int kHighestOrigin = 999;

// True when the origin is three digits whose number lies in 5..999. An origin that is no number
// (the marker line cut short, letters after the marker) is not valid.
bool originIsValid(std::string_view OriginZip);

struct ZoneChartReading {
    ZoneChart table;                 // sorted and zero past ZipCount once accepted
    std::optional<Message> refusal;  // why nothing may be written

    bool accepted() const { return !refusal.has_value(); }
};

// Reads the pasted text: refused when it is empty, names no valid origin, holds no entry (a page
// copied before its chart had loaded, whose all-zero table would wipe the scale's zones) or more
// entries than the scale has room for; otherwise the table is ready to be written.
ZoneChartReading readZoneChart(std::string_view pasted);

}  // namespace vantor::zones
