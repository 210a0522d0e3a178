#pragma once

// Writing the zone table into the scale: the serial number is read first (the unlock needs it),
// then the six pages are written one by one, each a complete page write with its read-back.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "scale/PageWrite.h"
#include "scale/ScaleLink.h"
#include "scale/ScaleTransport.h"
#include "zones/ZoneTable.h"

namespace vantor::zones {

// Progress runs from 0 to 768 and moves by 128 after each page written.
inline constexpr int kZoneProgressStep = static_cast<int>(scale::kPageSize);
inline constexpr int kZoneProgressMax = kZoneProgressStep * static_cast<int>(kZoneTablePages);

enum class ZoneOutcome {
    Success,    // all six pages written and read back equal
    Failed,     // a page write failed; the pages before it stay written
    Cancelled,  // the program is ending
};

struct ZoneProgramResult {
    ZoneOutcome outcome = ZoneOutcome::Success;
    scale::SerialRead serial;  // what the scale gave as its serial number
    std::size_t pagesWritten = 0;
    std::optional<std::uint16_t> failedPage;
    scale::PageWriteResult pageWrite;  // how the failed page write ended

    bool succeeded() const { return outcome == ZoneOutcome::Success; }
    // The scale did not answer an unlock or a write at all, rather than refusing or reading back
    // wrong: the zone form is then left disabled.
    bool scaleSilent() const;
};

using ZoneProgressCallback = std::function<void(int)>;

// Reads the serial number with RdSN, packs it for the unlocks, and writes `pages` in order. Stops
// at the first page that fails. A scale that does not give its serial number gets zeros in the
// unlock, which it refuses. Ends promptly, as Cancelled, once `cancel` is set.
ZoneProgramResult ProgramData(scale::ScaleTransport& transport, const ZoneTablePages& pages,
                              const ZoneProgressCallback& progress, const std::atomic<bool>& cancel);

// One sentence for the command line, e.g. "The scale did not answer the unlock for page 8100."
std::string describe(const ZoneProgramResult& result);

}  // namespace vantor::zones
