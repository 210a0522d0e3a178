#include "simulation/ScaleModel.h"

#include <algorithm>

#include "core/scale/SerialNumber.h"

namespace vantor::scale {

namespace {

constexpr Byte kFiller = 0x55;  // what an overlong reply carries after the real one
constexpr std::size_t kExtraBytes = 4;

std::uint16_t addressOf(const Bytes& command) {
    return static_cast<std::uint16_t>(command[1] << 8 | command[2]);
}

}  // namespace

ScaleModel::ScaleModel(std::string_view serial) : m_memory(kMemorySize, 0xFF) {
    const SerialBytes packed = packSerial(serial);
    std::copy(packed.begin(), packed.end(), m_memory.begin() + kSerialAddress);
}

ScaleModel::ScaleModel(Bytes memory) : m_memory(std::move(memory)) {
    m_memory.resize(kMemorySize, 0xFF);
}

CommandKind ScaleModel::kindOf(Byte opcode) {
    switch (opcode) {
        case kUnlock:
            return CommandKind::Unlock;
        case kWritePage:
            return CommandKind::Write;
        case kReadPage:
            return CommandKind::Read;
        default:
            return CommandKind::Finish;
    }
}

std::vector<ScaleReply> ScaleModel::receive(std::span<const Byte> bytes) {
    std::vector<ScaleReply> replies;
    for (Byte b : bytes) {
        if (m_hungUp)
            break;
        if (m_command.empty() && commandSize(b) == 0) {
            ++m_counters.noiseBytes;
            continue;
        }
        m_command.push_back(b);
        if (m_command.size() < commandSize(m_command[0]))
            continue;
        const CommandKind kind = kindOf(m_command[0]);
        std::optional<ScaleReply> reply = execute(m_command);
        if (!m_hungUp)
            reply = vary(std::move(reply).value_or(ScaleReply{}), kind);
        if (reply)
            replies.push_back(std::move(*reply));
        m_command.clear();
    }
    return replies;
}

std::optional<ScaleReply> ScaleModel::execute(const Bytes& command) {
    const CommandKind kind = kindOf(command[0]);
    std::optional<std::uint16_t> address;
    if (kind == CommandKind::Write || kind == CommandKind::Read)
        address = addressOf(command);

    bool corrupt = false, lose = false, wrongEcho = false, shortReply = false, longReply = false;
    std::chrono::milliseconds delay{0};
    for (const Fault& fault : m_faults.faultsFor(kind, address)) {
        switch (fault.action) {
            case FaultAction::HangUp:
                m_hungUp = true;
                return std::nullopt;
            case FaultAction::PowerCut:
                m_hungUp = m_poweredOff = true;
                return std::nullopt;
            case FaultAction::Refuse:
                return ScaleReply{{kRefusal}, delay, {}};
            case FaultAction::Lose:
                lose = true;
                break;
            case FaultAction::Corrupt:
                corrupt = true;
                break;
            case FaultAction::WrongEcho:
                wrongEcho = true;
                break;
            case FaultAction::Short:
                shortReply = true;
                break;
            case FaultAction::Long:
                longReply = true;
                break;
            case FaultAction::Delay:
                delay += fault.delay;
                break;
        }
    }

    ScaleReply reply = carryOut(command, kind, corrupt);
    reply.delay = delay;
    if (lose || reply.bytes.empty())
        return std::nullopt;
    if (wrongEcho && reply.bytes.size() >= 3)
        reply.bytes[2] ^= 0x80;
    if (shortReply)
        reply.bytes.pop_back();
    if (longReply)
        reply.bytes.insert(reply.bytes.end(), kExtraBytes, kFiller);
    if (reply.bytes.empty())
        return std::nullopt;
    return reply;
}

// What the description leaves open, filled as the variations choose: byte 0 of a page read, a tail
// after a reply, an answer to Finish, and where the reply is cut on its way.
std::optional<ScaleReply> ScaleModel::vary(ScaleReply reply, CommandKind kind) {
    if (reply.bytes.empty()) {
        if (kind != CommandKind::Finish)
            return std::nullopt;  // a lost reply stays lost
        const std::optional<Byte> answer = m_variations.finishAnswer();
        if (!answer)
            return std::nullopt;
        reply.bytes = {*answer};
    }
    if (kind == CommandKind::Read)
        reply.bytes[0] = m_variations.byteZero();
    const Bytes tail = m_variations.tail();
    reply.bytes.insert(reply.bytes.end(), tail.begin(), tail.end());
    reply.cuts = m_variations.cuts(reply.bytes.size());
    return reply;
}

ScaleReply ScaleModel::carryOut(const Bytes& command, CommandKind kind, bool corrupt) {
    ScaleReply reply;
    switch (kind) {
        case CommandKind::Unlock: {
            ++m_counters.unlocks;
            m_unlocked = std::equal(command.begin() + 1, command.end(), m_memory.begin() + kSerialAddress);
            reply.bytes = {m_unlocked ? kAck : kRefusal};
            if (corrupt)
                reply.bytes[0] ^= 0xFF;
            break;
        }
        case CommandKind::Write: {
            ++m_counters.writes;
            if (!m_unlocked) {
                reply.bytes = {kRefusal};
                break;
            }
            const std::uint16_t address = addressOf(command);
            for (std::size_t i = 0; i < kPageSize; ++i)
                m_memory[(address + i) & 0xFFFF] = command[3 + i];
            if (corrupt)
                m_memory[address] ^= 0xFF;
            reply.bytes = {kAck};
            break;
        }
        case CommandKind::Read: {
            ++m_counters.reads;
            const std::uint16_t address = addressOf(command);
            reply.bytes = {kReadPage, command[1], command[2]};
            for (std::size_t i = 0; i < kPageSize; ++i)
                reply.bytes.push_back(m_memory[(address + i) & 0xFFFF]);
            if (corrupt)
                reply.bytes[3] ^= 0xFF;
            break;
        }
        case CommandKind::Finish:
        case CommandKind::Any:
            ++m_counters.finishes;
            m_unlocked = false;
            break;
    }
    return reply;
}

}  // namespace vantor::scale
