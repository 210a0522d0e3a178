#include "core/scale/ScaleLink.h"

#include "core/scale/ScaleProtocol.h"
#include "core/scale/SerialNumber.h"

namespace vantor::scale {

namespace {

// Stale bytes, or a last exchange that did not end with its reply, mean an earlier reply may still
// be arriving: it must be over before the command goes out, or it would be read as the reply.
Outcome sendCommand(ScaleTransport& transport, std::span<const Byte> command) {
    const bool stale = transport.discardInput();
    if ((stale || !transport.settled()) && !transport.waitForQuiet(kQuietTime, kNoisyLineLimit)) {
        transport.setSettled(false);
        return Outcome::NoReply;
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
    transport.setSettled(reply && answers(command, *reply));
    return reply;
}

bool handOver(ScaleTransport& transport, std::span<const Byte> command) {
    return sendCommand(transport, command) == Outcome::Success;
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
