#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

#include "core/scale/Bytes.h"

namespace vantor::scale {

// The byte pipe to the scale. The protocol code is plain sequential code over this interface;
// the serial port and the in-process fake scale implement it.
class ScaleTransport {
public:
    virtual ~ScaleTransport() = default;

    // Drops every byte received and not yet read. True when there were any.
    virtual bool discardInput() = 0;

    // Drops every byte that arrives until none has arrived for `quiet`, waiting at most `limit` in
    // all. The bytes dropped, or nullopt when bytes kept coming that long: a noisy line. A port that
    // is not open is quiet.
    virtual std::optional<std::size_t> waitForQuiet(std::chrono::milliseconds quiet,
                                                    std::chrono::milliseconds limit) = 0;

    // Hands the bytes to the line and returns once they have left the send buffer.
    // False when the port failed (closed, unplugged).
    virtual bool send(std::span<const Byte> bytes) = 0;

    // Waits until at least `count` bytes are waiting or `limit` (from a monotonic clock) has
    // passed. True when the bytes are there. Never waits past the limit.
    virtual bool waitForBytes(std::size_t count, std::chrono::seconds limit) = 0;

    // Takes the waiting bytes, at most kMaxReadSize of them.
    virtual Bytes readAvailable() = 0;

    // Whether the line carries nothing but the replies taken from it. The link sets it after a
    // reply that answered its command and clears it after anything else; a port just opened is
    // not settled, since a run cut short may still be answering on it.
    bool settled() const { return m_settled; }
    void setSettled(bool settled) { m_settled = settled; }

    // A port just opened: a run cut short may have left a command on its way to the scale, whose
    // answer comes only once the rest of it has crossed the line. The first command waits longer.
    bool justOpened() const { return m_justOpened; }
    void lineOpened() {
        m_settled = false;
        m_justOpened = true;
    }
    void setJustOpened(bool justOpened) { m_justOpened = justOpened; }

    // Whether the line lately carried bytes that no command was waiting for: the link then waits
    // for it to go quiet before every command, until a wait finds nothing to drop.
    bool wary() const { return m_wary; }
    void setWary(bool wary) { m_wary = wary; }

private:
    bool m_settled = false;
    bool m_justOpened = false;
    bool m_wary = false;
};

}  // namespace vantor::scale
