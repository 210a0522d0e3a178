#include "core/scale/ScaleProtocol.h"

#include <algorithm>
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
    // Sized once and filled in place: GCC 12 warns falsely about growing a three-byte vector.
    Bytes command(3 + page.size());
    command[0] = kWritePage;
    command[1] = addressHigh(address);
    command[2] = addressLow(address);
    std::copy(page.begin(), page.end(), command.begin() + 3);
    return command;
}

Bytes readPageCommand(std::uint16_t address) {
    return {kReadPage, addressHigh(address), addressLow(address)};
}

Bytes finishCommand() {
    return {kFinish};
}

std::optional<std::span<const Byte>> pageInReply(std::span<const Byte> reply, std::uint32_t address) {
    if (address >= kMemorySize || !answers(readPageCommand(static_cast<std::uint16_t>(address)), reply))
        return std::nullopt;
    return reply.subspan(3, kPageSize);
}

std::size_t replySize(std::span<const Byte> command) {
    if (command.empty())
        return 0;
    switch (command.front()) {
        case kReadPage:
            return kReadReplySize;
        case kUnlock:
        case kWritePage:
            return kAckReplySize;
        default:
            return 0;
    }
}

bool answers(std::span<const Byte> command, std::span<const Byte> reply) {
    if (command.empty() || reply.empty())
        return false;
    if (command.front() != kReadPage)
        return reply.front() == kAck;
    // Byte 0 is the scale's own: only the address it repeats and the length tell the reply.
    return command.size() == kReadCommandSize && reply.size() >= kReadReplySize &&
           std::equal(command.begin() + 1, command.end(), reply.begin() + 1);
}

}  // namespace vantor::scale
