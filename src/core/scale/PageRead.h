#pragma once

// Reading the scale's memory page by page with Read page alone (no unlock is needed to read), with
// the retry rule every stage of the short exchanges follows: the first try and three repeats.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

#include "core/scale/OperationResult.h"
#include "core/scale/Progress.h"
#include "core/scale/ScaleProtocol.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::scale {

inline constexpr std::chrono::seconds kReadBackLimit{4};
// The first try and three repeats. The count starts again for each stage, since the counter is
// cleared whenever a stage is acknowledged.
inline constexpr unsigned kStageTries = 4;

// Tries a stage until it is done or has been tried kStageTries times; how the last try ended.
template <class Attempt>
Outcome repeatStage(Attempt attempt) {
    Outcome outcome = Outcome::NoReply;
    for (unsigned tries = 0; tries < kStageTries; ++tries) {
        outcome = attempt();
        if (outcome == Outcome::Success)
            break;
    }
    return outcome;
}

// One read of the page at `address`, one try: Success with `page` holding it when a whole reply
// echoes the address, else how that try ended.
Outcome TryReadPage(ScaleTransport& transport, std::uint16_t address, Bytes& page);

// The 128 bytes stored at Adr, read with Read page alone (no unlock is needed to read): a reply
// that is late, short or for another page is asked again, four tries in all. Success with `page`
// holding them, or how the last try ended.
Outcome ReadOnePage(ScaleTransport& transport, std::uint16_t Adr, Bytes& page);

// The 128 bytes stored at Adr, taken only when two reads give the same bytes: nothing on the line
// guards a reply against a changed byte, and a page that is saved and later written back must be
// the scale's own. At most kStageTries reads in all, a late or unfitting reply counting as one.
// Success with `page` holding the bytes; Unsteady when the replies that came never agreed; else how
// the last read ended.
Outcome ReadAgreedPage(ScaleTransport& transport, std::uint16_t Adr, Bytes& page);

// Which pages are read with ReadAgreedPage rather than ReadOnePage.
using ReadTwiceRule = std::function<bool(std::uint32_t address)>;

struct PagesRead {
    Bytes bytes;             // the pages read, one after another (all of them on success)
    OperationResult result;  // stage Read; the page that could not be read, when one could not
};

// The one page-read loop: `count` pages from `first`, each with ReadOnePage's rules (ReadAgreedPage's
// for the pages `readTwice` names), stopping at the first page that does not come back and, before
// the next page, once `cancel` is set. `progress` is told {Read, pages read, pages in all} after each
// page. Nothing is written.
PagesRead ReadPages(ScaleTransport& transport, std::uint32_t first, std::size_t count,
                    const ProgressSink& progress, const std::atomic<bool>& cancel,
                    const ReadTwiceRule& readTwice = {});

}  // namespace vantor::scale
