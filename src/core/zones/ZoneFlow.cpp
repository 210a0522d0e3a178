#include "core/zones/ZoneFlow.h"

#include <utility>

#include "core/zones/ZoneChartCheck.h"

namespace vantor::zones {

namespace {

// The table is sorted by then: its last entry is the highest destination.
int lastDestination(const ZoneChart& chart) {
    return chart.ZipCount > 0 ? chart.ZipPrefixes[static_cast<std::size_t>(chart.ZipCount - 1)] : 0;
}

}  // namespace

ZoneWrite askToWriteZones(std::string_view pasted, const Prompts& prompts) {
    ZoneChartReading reading = readZoneChart(pasted);
    ZoneWrite write;
    write.chart = std::move(reading.table);
    if (!reading.accepted()) {
        prompts.tell(*reading.refusal);
        write.stop = ZoneWrite::Stop::Refused;
    } else if (!prompts.confirm(confirmationMessage(write.chart.OriginZip, write.chart.ZipCount,
                                                    lastDestination(write.chart)))) {
        write.stop = ZoneWrite::Stop::Declined;
    } else {
        write.pages = encodeZoneTable(write.chart);
    }
    return write;
}

}  // namespace vantor::zones
