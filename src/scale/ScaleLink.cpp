#include "scale/ScaleLink.h"

#include "scale/ScaleProtocol.h"
#include "scale/SerialNumber.h"

namespace vantor::scale {

std::optional<Bytes> exchange(ScaleTransport& transport, std::span<const Byte> command, std::size_t minimum,
                              std::chrono::seconds limit) {
    if (!handOver(transport, command) || !transport.waitForBytes(minimum, limit))
        return std::nullopt;
    return transport.readAvailable();
}

bool handOver(ScaleTransport& transport, std::span<const Byte> command) {
    transport.discardInput();
    return transport.send(command);
}

SerialRead RdSN(ScaleTransport& transport) {
    const Bytes command = readPageCommand(kSerialAddress);
    const auto reply = exchange(transport, command, kReadReplySize, kSerialReadLimit);
    if (!reply)
        return {};
    return {serialFromReply(*reply), true};
}

}  // namespace vantor::scale
