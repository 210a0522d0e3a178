#include "zones/ZoneProgramming.h"

#include <cstdio>

#include "scale/SerialNumber.h"

namespace vantor::zones {

using scale::PageStage;

bool ZoneProgramResult::scaleSilent() const {
    return outcome == ZoneOutcome::Failed && pageWrite.timedOut &&
           (pageWrite.failedStage == PageStage::Unlock || pageWrite.failedStage == PageStage::Write);
}

ZoneProgramResult ProgramData(scale::ScaleTransport& transport, const ZoneTablePages& pages,
                              const ZoneProgressCallback& progress, const std::atomic<bool>& cancel) {
    ZoneProgramResult result;
    if (cancel.load()) {
        result.outcome = ZoneOutcome::Cancelled;
        return result;
    }
    result.serial = scale::RdSN(transport);
    const scale::SerialBytes serial = scale::packSerial(result.serial.serial);

    int shown = 0;
    for (const ZoneTablePage& page : pages) {
        if (cancel.load()) {
            result.outcome = ZoneOutcome::Cancelled;
            return result;
        }
        result.pageWrite = scale::ProgrammingOnePage(transport, page.address, page.bytes, serial);
        if (!result.pageWrite.ok) {
            // The program stopping ends the waits early; that is no failure of the scale.
            result.outcome = cancel.load() ? ZoneOutcome::Cancelled : ZoneOutcome::Failed;
            result.failedPage = page.address;
            return result;
        }
        ++result.pagesWritten;
        shown += kZoneProgressStep;
        if (progress)
            progress(shown);
    }
    return result;
}

std::string describe(const ZoneProgramResult& result) {
    switch (result.outcome) {
        case ZoneOutcome::Success:
            return "All " + std::to_string(result.pagesWritten) +
                   " pages of the zone table were written and verified.";
        case ZoneOutcome::Cancelled:
            return "Stopped after " + std::to_string(result.pagesWritten) + " of " +
                   std::to_string(kZoneTablePages) + " pages of the zone table.";
        case ZoneOutcome::Failed:
            break;
    }
    return "The scale " + describeFailure(result.pageWrite, result.failedPage.value_or(0)) + "; " +
           std::to_string(result.pagesWritten) + " of " + std::to_string(kZoneTablePages) +
           " pages were written.";
}

}  // namespace vantor::zones
