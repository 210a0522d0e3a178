#include "core/zones/ZoneProgramming.h"

#include <array>

namespace vantor::zones {

scale::OperationResult ProgramData(scale::ScaleTransport& transport, const ZoneTablePages& pages,
                                   const scale::ProgressSink& progress, const std::atomic<bool>& cancel) {
    std::array<scale::PageToWrite, kZoneTablePages> toWrite;
    for (std::size_t i = 0; i < pages.size(); ++i)
        toWrite[i] = {pages[i].address, Bytes(pages[i].bytes.begin(), pages[i].bytes.end())};
    return scale::WritePagesUnlockedAsRead(transport, toWrite, progress, cancel);
}

}  // namespace vantor::zones
