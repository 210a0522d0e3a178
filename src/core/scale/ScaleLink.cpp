#include "core/scale/ScaleLink.h"

#include "core/scale/ScaleProtocol.h"
#include "core/scale/SerialNumber.h"

namespace vantor::scale {

namespace {

// Stale bytes, or a last exchange that did not end with its reply alone, mean an earlier reply may
// still be arriving: it must be over before the command goes out, or it would be read as the reply.
// Nothing in a reply tells it from the tail of an earlier one (byte 0 of a page read is the scale's
// own, an acknowledgement is one byte), so the line itself must be quiet.
Outcome sendCommand(ScaleTransport& transport, std::span<const Byte> command) {
    const bool stale = transport.discardInput();
    if (stale || !transport.settled() || transport.wary()) {
        const auto quiet = transport.justOpened() ? kOpenedQuietTime : kQuietTime;
        transport.setJustOpened(false);
        const std::optional<std::size_t> dropped = transport.waitForQuiet(quiet, kNoisyLineLimit);
        if (!dropped) {
            transport.setSettled(false);
            return Outcome::NoReply;
        }
        // A scale whose replies trail bytes that come late would have them read as the next reply:
        // once such bytes were found, every command waits for the line until one finds it quiet.
        transport.setWary(stale || *dropped > 0);
    }
    if (!transport.send(command)) {
        transport.setSettled(false);
        return Outcome::PortFailed;
    }
    return Outcome::Success;
}

Reply awaitReply(ScaleTransport& transport, std::size_t minimum, std::chrono::seconds limit) {
    if (!transport.waitForBytes(minimum, limit))
        return {Outcome::NoReply, {}};
    Reply reply{Outcome::Success, transport.readAvailable()};
    if (reply.bytes.size() < minimum)
        reply.failure = Outcome::NoReply;
    return reply;
}

}  // namespace

Reply exchange(ScaleTransport& transport, std::span<const Byte> command, std::size_t minimum,
               std::chrono::seconds limit) {
    if (const Outcome sent = sendCommand(transport, command); sent != Outcome::Success)
        return {sent, {}};
    Reply reply = awaitReply(transport, minimum, limit);
    // Bytes past the promised ones may still be coming: the next command waits for them to end.
    transport.setSettled(reply && answers(command, *reply) && reply->size() == minimum);
    return reply;
}

bool handOver(ScaleTransport& transport, std::span<const Byte> command) {
    return sendCommand(transport, command) == Outcome::Success;
}

void sendFinish(ScaleTransport& transport) {
    handOver(transport, finishCommand());
    // No answer is awaited, but a scale may send one: it must not be read as the next reply.
    transport.setSettled(false);
}

Outcome acknowledgement(const Reply& reply) {
    if (!reply)
        return reply.failure;
    return reply->front() == kAck ? Outcome::Success : Outcome::Refused;
}

Outcome pageOf(const Reply& reply, std::uint32_t address, std::span<const Byte>& page) {
    if (!reply)
        return reply.failure;
    const auto carried = pageInReply(*reply, address);
    if (!carried)
        return Outcome::Mismatch;
    page = *carried;
    return Outcome::Success;
}

SerialRead RdSN(ScaleTransport& transport) {
    const Bytes command = readPageCommand(kSerialAddress);
    const auto reply = exchange(transport, command, kReadReplySize, kSerialReadLimit);
    if (!reply)
        return {};
    return {serialFromReply(*reply), true};
}

std::optional<std::string> ReadCheckedSerial(ScaleTransport& transport) {
    SerialRead read = RdSN(transport);
    if (!CheckSerial(read.serial))
        return std::nullopt;
    return std::move(read.serial);
}

}  // namespace vantor::scale
