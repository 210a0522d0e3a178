#pragma once

// Writing the zone table into the scale: the serial number is read first (the unlock needs it),
// then the six pages are written one by one, each a complete page write with its read-back.

#include <atomic>

#include "core/scale/PageWrite.h"
#include "core/scale/ScaleTransport.h"
#include "core/zones/ZoneTable.h"

namespace vantor::zones {

// Reads the serial number with RdSN, packs it for the unlocks, and writes `pages` in order. Stops
// at the first page that fails. A scale that does not give its serial number gets zeros in the
// unlock, which it refuses. Ends promptly, as Cancelled, once `cancel` is set.
// `progress` is told {Write, pages written, 6} after each page.
scale::OperationResult ProgramData(scale::ScaleTransport& transport, const ZoneTablePages& pages,
                                   const scale::ProgressSink& progress, const std::atomic<bool>& cancel);

}  // namespace vantor::zones
