#pragma once

// Faults a simulated scale can be told to show, for tests and demonstrations.
//
// A fault is written ACTION:COMMAND[:key=value]..., for example
//   lose:write:nth=3          the third page write is not acknowledged
//   corrupt:read:addr=0x280   every read-back of page 0x0280 returns a changed byte
//   refuse:unlock:count=4     the first four unlocks are refused
//   delay:read:ms=4500:nth=1  the first page read is answered 4.5 s late
//   hangup:write:nth=100      the device hangs up when the 100th write arrives
//   power-cut:write:nth=301   the power fails as the 301st write arrives: it is not carried out
// ACTION: lose (carried out, no reply), refuse (a refusal instead of the reply; not carried out),
//   corrupt (a page read answers with a changed data byte; a page write stores a changed byte but is
//   acknowledged; an unlock is answered with a changed byte), echo (wrong address echo in a page
//   read), short (reply one byte short), long (extra bytes after the reply), delay (reply after ms
//   milliseconds), hangup (the line goes dead), power-cut (the line goes dead and the scale stops with
//   its memory as it stands).
// COMMAND: unlock, write, read, finish or any.
// Keys: nth=N (start at the Nth matching command, counted from 1), addr=A (only commands for the
//   page at A), count=K (fire K times; the default is once when nth is given, otherwise always),
//   ms=M (the delay).

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::scale {

enum class FaultAction { Lose, Refuse, Corrupt, WrongEcho, Short, Long, Delay, HangUp, PowerCut };
enum class CommandKind { Unlock, Write, Read, Finish, Any };

struct Fault {
    FaultAction action = FaultAction::Lose;
    CommandKind command = CommandKind::Any;
    std::optional<std::uint16_t> address;
    unsigned nth = 0;               // 0: from the first matching command on
    std::optional<unsigned> count;  // nullopt: no end
    std::chrono::milliseconds delay{0};
};

// A fault action as it is written, and what it does: the one list the parser and the simulator's
// help are made from. `help` may run over several lines, separated by '\n'.
struct FaultActionName {
    std::string_view name;
    FaultAction action;
    std::string_view help;
};
std::span<const FaultActionName> faultActions();

struct FaultParse {
    std::optional<Fault> fault;
    std::string error;  // why the text was refused
};

FaultParse parseFault(std::string_view text);

// The faults of one simulated scale, with the bookkeeping of which have fired.
class FaultScript {
public:
    void add(const Fault& fault);
    bool empty() const { return m_entries.empty(); }

    // Called once per complete command the scale receives; returns the faults to apply to it.
    std::vector<Fault> faultsFor(CommandKind command, std::optional<std::uint16_t> address);

private:
    struct Entry {
        Fault fault;
        unsigned seen = 0;  // matching commands so far
        unsigned fired = 0;
    };
    std::vector<Entry> m_entries;
};

}  // namespace vantor::scale
