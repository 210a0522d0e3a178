#include "core/zones/ZoneFlow.h"

#include <utility>

#include "core/zones/ZoneChartCheck.h"

namespace vantor::zones {

ZoneWrite askToWriteZones(std::string_view pasted, const Prompts& prompts) {
    ZoneChartReading reading = readZoneChart(pasted);
    ZoneWrite write;
    write.chart = std::move(reading.table);
    if (!reading.accepted()) {
        prompts.tell(*reading.refusal);
        write.stop = ZoneWrite::Stop::Refused;
    } else if (!prompts.confirm(confirmationMessage(write.chart.OriginZip, write.chart.ZipCount))) {
        write.stop = ZoneWrite::Stop::Declined;
    } else {
        write.pages = encodeZoneTable(write.chart);
    }
    return write;
}

}  // namespace vantor::zones
