#include "scale/PageWrite.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "scale/ScaleLink.h"

namespace vantor::scale {

namespace {

enum class TryOutcome { Done, TimedOut, Failed };

struct StageOutcome {
    bool done = false;
    bool timedOut = false;  // how the last try failed
};

// Tries a stage until it is done or has been tried kStageTries times.
template <class Attempt>
StageOutcome repeatStage(Attempt attempt) {
    StageOutcome outcome;
    for (unsigned tries = 0; tries < kStageTries; ++tries) {
        const TryOutcome tried = attempt();
        if (tried == TryOutcome::Done)
            return {true, false};
        outcome.timedOut = tried == TryOutcome::TimedOut;
    }
    return outcome;
}

// A command answered by one status byte: F0 acknowledges, anything else refuses. A port that
// failed counts as a scale that did not answer.
TryOutcome acknowledgedExchange(ScaleTransport& transport, const Bytes& command, std::chrono::seconds limit) {
    const auto reply = exchange(transport, command, kAckReplySize, limit);
    if (!reply || reply->empty())
        return TryOutcome::TimedOut;
    return reply->front() == kAck ? TryOutcome::Done : TryOutcome::Failed;
}

// A page read: the reply when at least the status byte, the address echo and the page arrived.
std::optional<Bytes> readPage(ScaleTransport& transport, std::uint16_t address) {
    auto reply = exchange(transport, readPageCommand(address), kReadReplySize, kReadBackLimit);
    if (!reply || reply->size() < kReadReplySize)
        return std::nullopt;
    return reply;
}

bool echoes(const Bytes& reply, std::uint16_t address) {
    return reply[1] == addressHigh(address) && reply[2] == addressLow(address);
}

bool holdsPage(const Bytes& reply, std::uint16_t address, std::span<const Byte> page) {
    return echoes(reply, address) && std::equal(page.begin(), page.end(), reply.begin() + 3);
}

// Reads the page until a whole reply echoes its address, four tries at most; `reply` holds it then.
StageOutcome readEchoedPage(ScaleTransport& transport, std::uint16_t address, std::optional<Bytes>& reply) {
    return repeatStage([&] {
        reply = readPage(transport, address);
        if (!reply)
            return TryOutcome::TimedOut;
        return echoes(*reply, address) ? TryOutcome::Done : TryOutcome::Failed;
    });
}

StageOutcome unlock(ScaleTransport& transport, const SerialBytes& SN) {
    const Bytes command = unlockCommand(SN);
    return repeatStage([&] { return acknowledgedExchange(transport, command, kUnlockLimit); });
}

PageWriteResult failed(PageStage stage, const StageOutcome& outcome) {
    return {false, stage, outcome.timedOut};
}

}  // namespace

PageWriteResult ProgrammingOnePage(ScaleTransport& transport, std::uint16_t Adr, std::span<const Byte> Value,
                                   const SerialBytes& SN) {
    if (Value.size() != kPageSize)
        return {false, PageStage::Write, false};

    if (const StageOutcome unlocked = unlock(transport, SN); !unlocked.done)
        return failed(PageStage::Unlock, unlocked);

    const Bytes write = writePageCommand(Adr, Value);
    const StageOutcome written =
        repeatStage([&] { return acknowledgedExchange(transport, write, kWriteLimit); });
    if (!written.done)
        return failed(PageStage::Write, written);

    // A read-back that differs is read again; the page is not written again.
    const StageOutcome verified = repeatStage([&] {
        const auto reply = readPage(transport, Adr);
        if (!reply)
            return TryOutcome::TimedOut;
        return holdsPage(*reply, Adr, Value) ? TryOutcome::Done : TryOutcome::Failed;
    });
    if (!verified.done)
        return failed(PageStage::ReadBack, verified);

    transport.send(finishCommand());
    return {true, PageStage::None, false};
}

KeyCheckResult CheckKeyProgrammed(ScaleTransport& transport, std::uint16_t Adr, const SerialBytes& SN) {
    if (const StageOutcome unlocked = unlock(transport, SN); !unlocked.done)
        return {false, false, PageStage::Unlock, unlocked.timedOut};

    // A reply for another page says nothing about this key: it is read again, as a page write's
    // read-back would be.
    std::optional<Bytes> page;
    const StageOutcome read = readEchoedPage(transport, Adr, page);
    if (!read.done)
        return {false, false, PageStage::ReadBack, read.timedOut};

    const bool programmed = (*page)[3] < kErasedByte;
    transport.send(finishCommand());
    return {programmed, true, PageStage::None, false};
}

PagesWrite WritePages(ScaleTransport& transport, std::span<const PageToWrite> pages, const SerialBytes& SN,
                      const std::function<void(std::size_t)>& written, const std::atomic<bool>& cancel) {
    PagesWrite result;
    for (const PageToWrite& page : pages) {
        if (cancel.load()) {
            result.cancelled = true;
            return result;
        }
        result.page = ProgrammingOnePage(transport, page.address, page.bytes, SN);
        if (!result.page.ok) {
            result.failedPage = page.address;
            // The program stopping ends the waits early; that is no failure of the scale.
            result.cancelled = cancel.load();
            return result;
        }
        ++result.pagesWritten;
        if (written)
            written(result.pagesWritten);
    }
    result.ok = true;
    return result;
}

std::string describeFailure(const PageWriteResult& result, std::uint32_t page) {
    const bool silent = result.timedOut;
    std::string what;
    switch (result.failedStage) {
        case PageStage::Unlock:
            what = silent ? "did not answer the unlock" : "refused the unlock (is the serial number right?)";
            break;
        case PageStage::Write:
            what = silent ? "did not answer the write" : "refused the write";
            break;
        case PageStage::ReadBack:
            what = silent ? "did not answer the read-back" : "read back other bytes than were written";
            break;
        case PageStage::None:
            what = "failed";
            break;
    }
    char address[8];
    std::snprintf(address, sizeof address, "%04X", static_cast<unsigned>(page & 0xFFFF));
    return what + " for page " + address;
}

std::optional<Bytes> ReadOnePage(ScaleTransport& transport, std::uint16_t Adr) {
    std::optional<Bytes> reply;
    if (!readEchoedPage(transport, Adr, reply).done)
        return std::nullopt;
    return Bytes(reply->begin() + 3, reply->begin() + 3 + static_cast<std::ptrdiff_t>(kPageSize));
}

}  // namespace vantor::scale
