#include "CommandLog.h"

#include <cstdio>

#include "core/scale/ScaleProtocol.h"

namespace vantor::sim {

namespace {

std::string hexAddress(std::span<const Byte> command) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X%02X", command[1], command[2]);
    return text;
}

std::string commandText(std::span<const Byte> command) {
    switch (command[0]) {
        case scale::kUnlock:
            return "unlock " + toHex(command.subspan(1));
        case scale::kWritePage:
            return "write " + hexAddress(command);
        case scale::kReadPage:
            return "read " + hexAddress(command);
        case scale::kFinish:
            return "finish";
        default:
            return "bytes " + toHex(command, true);
    }
}

// A one-byte reply is shown as it is (F0 or a refusal); a page read by its length.
std::string replyText(const scale::ScaleReply& reply) {
    std::string text =
        reply.bytes.size() == 1 ? toHex(reply.bytes) : std::to_string(reply.bytes.size()) + " bytes";
    if (reply.delay.count() > 0)
        text += " after " + std::to_string(reply.delay.count()) + " ms";
    return text;
}

}  // namespace

std::string describeCommand(std::span<const Byte> command, const std::optional<scale::ScaleReply>& reply,
                            bool hungUp) {
    std::string line = commandText(command);
    if (hungUp)
        return line + " -> line hung up";
    if (reply)
        return line + " -> " + replyText(*reply);
    if (command[0] == scale::kFinish)
        return line;
    return line + " -> no reply";
}

}  // namespace vantor::sim
