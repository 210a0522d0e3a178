#include "core/scale/PageRead.h"

#include <algorithm>
#include <vector>

#include "core/scale/ScaleLink.h"

namespace vantor::scale {

Outcome TryReadPage(ScaleTransport& transport, std::uint16_t address, Bytes& page) {
    const Reply reply = exchange(transport, readPageCommand(address), kReadReplySize, kReadBackLimit);
    std::span<const Byte> carried;
    const Outcome outcome = pageOf(reply, address, carried);
    if (outcome == Outcome::Success)
        page.assign(carried.begin(), carried.end());
    return outcome;
}

Outcome ReadOnePage(ScaleTransport& transport, std::uint16_t Adr, Bytes& page) {
    return repeatStage([&] { return TryReadPage(transport, Adr, page); });
}

Outcome ReadAgreedPage(ScaleTransport& transport, std::uint16_t Adr, Bytes& page) {
    std::vector<Bytes> seen;
    Outcome failure = Outcome::NoReply;  // how the last read that gave no page ended
    for (unsigned tries = 0; tries < kStageTries; ++tries) {
        Bytes read;
        const Outcome outcome = TryReadPage(transport, Adr, read);
        if (outcome != Outcome::Success) {
            failure = outcome;
            continue;
        }
        if (std::find(seen.begin(), seen.end(), read) != seen.end()) {
            page = std::move(read);
            return Outcome::Success;
        }
        seen.push_back(std::move(read));
    }
    // Replies that came whole but differ say more than how a missing one ended.
    return seen.size() >= 2 ? Outcome::Unsteady : failure;
}

PagesRead ReadPages(ScaleTransport& transport, std::uint32_t first, std::size_t count,
                    const ProgressSink& progress, const std::atomic<bool>& cancel,
                    const ReadTwiceRule& readTwice) {
    PagesRead read;
    read.result.stage = Stage::Read;
    read.result.pagesTotal = count;
    read.bytes.reserve(count * kPageSize);
    for (std::size_t n = 0; n < count; ++n) {
        const auto address = static_cast<std::uint16_t>(first + n * kPageSize);
        Bytes page;
        const bool twice = readTwice && readTwice(address);
        const Outcome outcome = cancel.load() ? Outcome::Cancelled
                                : twice       ? ReadAgreedPage(transport, address, page)
                                              : ReadOnePage(transport, address, page);
        if (outcome != Outcome::Success) {
            // The program stopping ends the waits early; that is no failure of the scale.
            read.result.outcome = cancel.load() ? Outcome::Cancelled : outcome;
            read.result.page = address;
            return read;
        }
        read.bytes.insert(read.bytes.end(), page.begin(), page.end());
        ++read.result.pagesDone;
        if (progress)
            progress({Phase::Read, read.result.pagesDone, count});
    }
    return read;
}

}  // namespace vantor::scale
