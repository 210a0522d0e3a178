#include "core/scale/PageWrite.h"

#include <algorithm>
#include <optional>

#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"

namespace vantor::scale {

namespace {

Outcome acknowledgedExchange(ScaleTransport& transport, const Bytes& command, std::chrono::seconds limit) {
    return acknowledgement(exchange(transport, command, kAckReplySize, limit));
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
        const Outcome read = TryReadPage(transport, Adr, stored);
        if (read != Outcome::Success)
            return read;
        return std::equal(Value.begin(), Value.end(), stored.begin()) ? Outcome::Success : Outcome::Mismatch;
    });
    if (verified != Outcome::Success)
        return failed(Stage::ReadBack, verified, Adr);

    sendFinish(transport);
    return {};
}

KeyCheckResult CheckKeyProgrammed(ScaleTransport& transport, std::uint16_t Adr, const SerialBytes& SN) {
    if (const Outcome unlocked = unlock(transport, SN); unlocked != Outcome::Success)
        return {false, failed(Stage::Unlock, unlocked, Adr)};

    // A reply for another page says nothing about this key: it is read again, as a page write's
    // read-back would be.
    Bytes page;
    if (const Outcome read = ReadOnePage(transport, Adr, page); read != Outcome::Success)
        return {false, failed(Stage::ReadBack, read, Adr)};

    const bool programmed = page.front() < kErasedByte;
    sendFinish(transport);
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

OperationResult WritePagesUnlockedAsRead(ScaleTransport& transport, std::span<const PageToWrite> pages,
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

}  // namespace vantor::scale
