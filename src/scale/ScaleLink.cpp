#include "scale/ScaleLink.h"

#include "scale/ScaleProtocol.h"
#include "scale/SerialNumber.h"

namespace vantor::scale {

Reply exchange(ScaleTransport& transport, std::span<const Byte> command, std::size_t minimum,
               std::chrono::seconds limit) {
    if (!handOver(transport, command))
        return {Outcome::PortFailed, {}};
    if (!transport.waitForBytes(minimum, limit))
        return {Outcome::NoReply, {}};
    Reply reply{Outcome::Success, transport.readAvailable()};
    if (reply.bytes.size() < minimum)
        reply.failure = Outcome::NoReply;
    return reply;
}

bool handOver(ScaleTransport& transport, std::span<const Byte> command) {
    transport.discardInput();
    return transport.send(command);
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

std::optional<std::string> ReadScaleSerial(ScaleTransport& transport) {
    SerialRead read = RdSN(transport);
    if (!CheckSerial(read.serial))
        return std::nullopt;
    return std::move(read.serial);
}

}  // namespace vantor::scale
