#include "scale/ScaleLink.h"

#include "scale/ScaleProtocol.h"
#include "scale/SerialNumber.h"

namespace vantor::scale {

std::optional<Bytes> exchange(ScaleTransport& transport, std::span<const Byte> command,
                              std::size_t minimum, std::chrono::seconds limit, Discard discard) {
    if (discard == Discard::BeforeSending) transport.discardInput();
    const bool sent = transport.send(command);
    if (discard == Discard::AfterSending) transport.discardInput();
    if (!sent || !transport.waitForBytes(minimum, limit)) return std::nullopt;
    return transport.readAvailable();
}

SerialRead RdSN(ScaleTransport& transport) {
    transport.discardInput();
    const Bytes command = readPageCommand(kSerialAddress);
    const auto reply = exchange(transport, command, kReadReplySize, kSerialReadLimit, Discard::AfterSending);
    if (!reply) return {};
    return {serialFromReply(*reply), true};
}

}  // namespace vantor::scale
