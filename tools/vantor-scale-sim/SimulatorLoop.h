#pragma once

// Serves a ScaleModel on a pseudo-terminal: bytes from the client go to the model, its replies go
// back, each after its delay. With wire timing the line behaves as a cable at 19200 baud.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "PseudoTerminal.h"
#include "simulation/ScaleModel.h"

namespace vantor::sim {

struct SimulatorLoopOptions {
    bool wireTiming = false;
    std::function<void(const std::string&)> log;  // one line per command, when set
};

class SimulatorLoop {
public:
    using Clock = std::chrono::steady_clock;

    // 19200 baud, 10 bits a byte (start bit, 8 data bits, stop bit).
    static constexpr long long kWireBytesPerSecond = 1920;
    // Paced replies are written this many bytes at a time (about 4 ms of line time).
    static constexpr std::size_t kChunkBytes = 8;

    SimulatorLoop(PseudoTerminal& line, scale::ScaleModel& model, SimulatorLoopOptions options = {});
    ~SimulatorLoop();
    SimulatorLoop(const SimulatorLoop&) = delete;
    SimulatorLoop& operator=(const SimulatorLoop&) = delete;

    // Serves until requestStop(). Sleeps in poll() whenever nothing is due. When the model hangs
    // up, the line is hung up and the loop only waits for the stop. Throws std::system_error
    // when the pseudo-terminal fails.
    void run();

    // Safe from a signal handler and from any thread.
    void requestStop() noexcept;

private:
    struct Arrival {
        Clock::time_point at;  // when the byte has finished arriving
        Byte byte;
    };
    struct Outgoing {
        Clock::time_point start;  // when the first byte goes on the line
        Bytes bytes;
        std::size_t sent = 0;
    };

    bool waitForWork();
    void readFromLine(Clock::time_point now);
    void feedArrived(Clock::time_point now);
    void feed(const Arrival& arrival);
    void scheduleReply(const scale::ScaleReply& reply, Clock::time_point start);
    void schedule(Bytes bytes, Clock::time_point start);
    void writeDue(Clock::time_point now);
    std::size_t dueBytes(const Outgoing& reply, Clock::time_point now) const;
    std::optional<Clock::time_point> nextWake() const;
    void hangUp();

    PseudoTerminal& m_line;
    scale::ScaleModel& m_model;
    SimulatorLoopOptions m_options;
    int m_stopRead = -1;
    int m_stopWrite = -1;

    std::deque<Arrival> m_arrivals;     // received, not yet given to the model
    Clock::time_point m_inboundFree{};  // when the client's line is free for the next byte
    Bytes m_command;                    // the command the model is receiving, for the log
    std::deque<Outgoing> m_outgoing;
    Clock::time_point m_outboundFree{};  // when our line is free for the next reply
    bool m_lineFull = false;             // the client's receive buffer took no more: wait until it does
};

}  // namespace vantor::sim
