#include "scale/ScaleProtocol.h"

#include <cassert>

namespace vantor::scale {

std::size_t commandSize(Byte opcode) {
    switch (opcode) {
        case kUnlock:
            return kUnlockSize;
        case kWritePage:
            return kWritePageSize;
        case kReadPage:
            return kReadCommandSize;
        case kFinish:
            return 1;
        default:
            return 0;
    }
}

Bytes unlockCommand(const SerialBytes& serial) {
    return {kUnlock, serial[0], serial[1], serial[2], serial[3]};
}

Bytes writePageCommand(std::uint16_t address, std::span<const Byte> page) {
    assert(page.size() == kPageSize);
    Bytes command{kWritePage, addressHigh(address), addressLow(address)};
    command.insert(command.end(), page.begin(), page.end());
    return command;
}

Bytes readPageCommand(std::uint16_t address) {
    return {kReadPage, addressHigh(address), addressLow(address)};
}

Bytes finishCommand() {
    return {kFinish};
}

std::optional<std::span<const Byte>> pageInReply(std::span<const Byte> reply, std::uint32_t address) {
    if (reply.size() < kReadReplySize || reply[1] != addressHigh(address) || reply[2] != addressLow(address))
        return std::nullopt;
    return reply.subspan(3, kPageSize);
}

}  // namespace vantor::scale
