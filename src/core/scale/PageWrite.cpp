#include "core/scale/PageWrite.h"

#include <algorithm>
#include <optional>

#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"

namespace vantor::scale {

namespace {

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

Outcome acknowledgedExchange(ScaleTransport& transport, const Bytes& command, std::chrono::seconds limit) {
    return acknowledgement(exchange(transport, command, kAckReplySize, limit));
}

// One read of the page at `address`: Success with `page` holding it when a whole reply echoes
// the address.
Outcome readPageOnce(ScaleTransport& transport, std::uint16_t address, Bytes& page) {
    const Reply reply = exchange(transport, readPageCommand(address), kReadReplySize, kReadBackLimit);
    std::span<const Byte> carried;
    const Outcome outcome = pageOf(reply, address, carried);
    if (outcome == Outcome::Success)
        page.assign(carried.begin(), carried.end());
    return outcome;
}

// Reads the page until a whole reply echoes its address, four tries at most.
Outcome readEchoedPage(ScaleTransport& transport, std::uint16_t address, Bytes& page) {
    return repeatStage([&] { return readPageOnce(transport, address, page); });
}

Outcome unlock(ScaleTransport& transport, const SerialBytes& SN) {
    const Bytes command = unlockCommand(SN);
    return repeatStage([&] { return acknowledgedExchange(transport, command, kUnlockLimit); });
}

OperationResult failed(Stage stage, Outcome outcome, std::uint16_t page) {
    OperationResult result = failedAt(stage, outcome);
    result.page = page;
    return result;
}

}  // namespace

OperationResult ProgrammingOnePage(ScaleTransport& transport, std::uint16_t Adr, std::span<const Byte> Value,
                                   const SerialBytes& SN) {
    if (Value.size() != kPageSize)
        return failed(Stage::Write, Outcome::Refused, Adr);

    if (const Outcome unlocked = unlock(transport, SN); unlocked != Outcome::Success)
        return failed(Stage::Unlock, unlocked, Adr);

    const Bytes write = writePageCommand(Adr, Value);
    const Outcome written = repeatStage([&] { return acknowledgedExchange(transport, write, kWriteLimit); });
    if (written != Outcome::Success)
        return failed(Stage::Write, written, Adr);

    // A read-back that differs is read again; the page is not written again.
    Bytes stored;
    const Outcome verified = repeatStage([&] {
        const Outcome read = readPageOnce(transport, Adr, stored);
        if (read != Outcome::Success)
            return read;
        return std::equal(Value.begin(), Value.end(), stored.begin()) ? Outcome::Success : Outcome::Mismatch;
    });
    if (verified != Outcome::Success)
        return failed(Stage::ReadBack, verified, Adr);

    handOver(transport, finishCommand());
    return {};
}

KeyCheckResult CheckKeyProgrammed(ScaleTransport& transport, std::uint16_t Adr, const SerialBytes& SN) {
    if (const Outcome unlocked = unlock(transport, SN); unlocked != Outcome::Success)
        return {false, failed(Stage::Unlock, unlocked, Adr)};

    // A reply for another page says nothing about this key: it is read again, as a page write's
    // read-back would be.
    Bytes page;
    if (const Outcome read = readEchoedPage(transport, Adr, page); read != Outcome::Success)
        return {false, failed(Stage::ReadBack, read, Adr)};

    const bool programmed = page.front() < kErasedByte;
    handOver(transport, finishCommand());
    return {programmed, {}};
}

OperationResult WritePages(ScaleTransport& transport, std::span<const PageToWrite> pages,
                           const SerialBytes& SN, const ProgressSink& progress,
                           const std::atomic<bool>& cancel) {
    OperationResult result;
    result.pagesTotal = pages.size();
    for (const PageToWrite& page : pages) {
        if (cancel.load()) {
            result.outcome = Outcome::Cancelled;
            result.page = page.address;
            return result;
        }
        const OperationResult written = ProgrammingOnePage(transport, page.address, page.bytes, SN);
        if (!written.succeeded()) {
            result.outcome = written.outcome;
            result.stage = written.stage;
            result.page = written.page;
            // The program stopping ends the waits early; that is no failure of the scale.
            if (cancel.load())
                result.outcome = Outcome::Cancelled;
            return result;
        }
        ++result.pagesDone;
        if (progress)
            progress({Phase::Write, result.pagesDone, result.pagesTotal});
    }
    return result;
}

OperationResult WritePagesWithScaleSerial(ScaleTransport& transport, std::span<const PageToWrite> pages,
                                          const ProgressSink& progress, const std::atomic<bool>& cancel) {
    if (cancel.load()) {
        OperationResult result = failedAt(Stage::None, Outcome::Cancelled);
        result.pagesTotal = pages.size();
        return result;
    }
    const std::string serial = RdSN(transport).serial;
    OperationResult result = WritePages(transport, pages, packSerial(serial), progress, cancel);
    result.serial = serial;
    return result;
}

Outcome ReadOnePage(ScaleTransport& transport, std::uint16_t Adr, Bytes& page) {
    return readEchoedPage(transport, Adr, page);
}

PagesRead ReadPages(ScaleTransport& transport, std::uint32_t first, std::size_t count,
                    const ProgressSink& progress, const std::atomic<bool>& cancel) {
    PagesRead read;
    read.result.stage = Stage::Read;
    read.result.pagesTotal = count;
    read.bytes.reserve(count * kPageSize);
    for (std::size_t n = 0; n < count; ++n) {
        const auto address = static_cast<std::uint16_t>(first + n * kPageSize);
        Bytes page;
        const Outcome outcome = cancel.load() ? Outcome::Cancelled : ReadOnePage(transport, address, page);
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
