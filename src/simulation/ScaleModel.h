#pragma once

// The behaviour of a scale on the serial line: 64 KiB of program memory with the serial number at
// 0x0700, the four commands, what their answers leave open filled as its Variations choose (by
// default byte 0 of a page-read reply is a random byte), and an optional fault script. The
// in-process fake transport and the scale simulator both wrap it.

#include <chrono>
#include <span>
#include <string_view>
#include <vector>

#include "core/scale/ScaleProtocol.h"
#include "simulation/FaultScript.h"
#include "simulation/Variations.h"

namespace vantor::scale {

struct ScaleReply {
    Bytes bytes;
    std::chrono::milliseconds delay{0};  // how long after the command the reply starts
    std::vector<ReplyCut> cuts;          // where it is cut on its way; empty: it goes out whole
};

struct ScaleCounters {
    unsigned unlocks = 0;
    unsigned writes = 0;
    unsigned reads = 0;
    unsigned finishes = 0;
    unsigned noiseBytes = 0;  // bytes that started no known command
};

class ScaleModel {
public:
    // Any first byte other than kAck refuses; this is the one the model sends.
    static constexpr Byte kRefusal = 0x0F;

    // Fresh memory: all FF with the serial number packed at 0x0700.
    explicit ScaleModel(std::string_view serial = "00000000");
    // Memory as given, cut or padded with FF to 64 KiB.
    explicit ScaleModel(Bytes memory);

    void addFault(const Fault& fault) { m_faults.add(fault); }
    void setVariations(const VariationSettings& settings) { m_variations = Variations(settings); }

    // Feeds bytes as they arrive from the line. Returns the replies of the commands they completed.
    std::vector<ScaleReply> receive(std::span<const Byte> bytes);

    const Bytes& memory() const { return m_memory; }
    bool unlocked() const { return m_unlocked; }
    bool hungUp() const { return m_hungUp; }
    // The power failed: the line is dead and the memory stays as it stood.
    bool poweredOff() const { return m_poweredOff; }
    const ScaleCounters& counters() const { return m_counters; }

private:
    std::optional<ScaleReply> execute(const Bytes& command);
    std::optional<ScaleReply> vary(ScaleReply reply, CommandKind kind);
    ScaleReply carryOut(const Bytes& command, CommandKind kind, bool corrupt);
    static CommandKind kindOf(Byte opcode);

    Bytes m_memory;
    Bytes m_command;  // the command being received
    bool m_unlocked = false;
    bool m_hungUp = false;
    bool m_poweredOff = false;
    FaultScript m_faults;
    Variations m_variations;
    ScaleCounters m_counters;
};

}  // namespace vantor::scale
