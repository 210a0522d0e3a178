#include "core/zones/ZoneChartCheck.h"

#include <algorithm>

#include "core/zones/ZoneTable.h"

namespace vantor::zones {

bool originIsValid(std::string_view OriginZip) {
    if (OriginZip.size() != kOriginDigits ||
        !std::all_of(OriginZip.begin(), OriginZip.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int origin = (OriginZip[0] - '0') * 100 + (OriginZip[1] - '0') * 10 + (OriginZip[2] - '0');
    return origin >= kLowestOrigin && origin <= kHighestOrigin;
}

ZoneChartReading readZoneChart(std::string_view pasted) {
    ZoneChartReading reading;
    if (pasted.empty()) {
        reading.refusal = noZoneDataMessage();
        return reading;
    }
    const ZoneChart chart = ParseString(pasted);
    if (!originIsValid(chart.OriginZip))
        reading.refusal = invalidOriginMessage();
    else if (chart.ZipCount == 0)
        reading.refusal = noEntriesMessage();
    else if (chart.tooManyEntries())
        reading.refusal = tooManyEntriesMessage(chart.entriesFound);
    reading.table = reading.accepted() ? sortForScale(chart) : chart;
    return reading;
}

}  // namespace vantor::zones
