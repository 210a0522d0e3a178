#pragma once

// What the user is told while programming zones, shared by the zone form and vantor-cli so that
// both refuse and confirm in the same words. Line breaks are written as "\n".

#include <string>

#include "core/app/Message.h"

#include "core/zones/ZoneChart.h"

namespace vantor::zones {

Message noZoneDataMessage();
Message invalidOriginMessage();
Message noEntriesMessage();
Message tooManyEntriesMessage(std::size_t entriesFound);
// The highest destination prefix a whole zone chart reaches.
inline constexpr int kLastDestination = 999;
// The question before anything is written; it names the origin as the chart writes it and how
// many destination ranges were read, and, when the chart's last destination is below 999, which
// destinations it leaves without a zone, so that a paste cut short is seen before it is written.
Message confirmationMessage(const std::string& OriginZip, int ranges, int lastDestination);
Message successMessage();
// A write that failed after some of the table's pages were written: the scale holds neither the old
// table nor the new one.
Message incompleteTableMessage(int pagesWritten, int pages);

}  // namespace vantor::zones
