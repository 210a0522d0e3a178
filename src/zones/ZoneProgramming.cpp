#include "zones/ZoneProgramming.h"

#include <array>
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
    std::array<scale::PageToWrite, kZoneTablePages> toWrite;
    for (std::size_t i = 0; i < pages.size(); ++i)
        toWrite[i] = {pages[i].address, pages[i].bytes};
    const scale::PagesWrite written = scale::WritePages(
        transport, toWrite, scale::packSerial(result.serial.serial),
        [&](std::size_t count) {
            if (progress)
                progress(kZoneProgressStep * static_cast<int>(count));
        },
        cancel);
    result.pagesWritten = written.pagesWritten;
    result.pageWrite = written.page;
    result.failedPage = written.failedPage;
    result.outcome = written.cancelled ? ZoneOutcome::Cancelled
                     : written.ok      ? ZoneOutcome::Success
                                       : ZoneOutcome::Failed;
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
