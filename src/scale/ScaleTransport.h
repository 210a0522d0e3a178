#pragma once

#include <chrono>
#include <cstddef>
#include <span>

#include "scale/Bytes.h"

namespace vantor::scale {

// The byte pipe to the scale. The protocol code is plain sequential code over this interface;
// the serial port and the in-process fake scale implement it.
class ScaleTransport {
public:
    virtual ~ScaleTransport() = default;

    // Drops every byte received and not yet read.
    virtual void discardInput() = 0;

    // Hands the bytes to the line and returns once they have left the send buffer.
    // False when the port failed (closed, unplugged).
    virtual bool send(std::span<const Byte> bytes) = 0;

    // Waits until at least `count` bytes are waiting or `limit` (from a monotonic clock) has
    // passed. True when the bytes are there. Never waits past the limit.
    virtual bool waitForBytes(std::size_t count, std::chrono::seconds limit) = 0;

    // Takes the waiting bytes, at most kMaxReadSize of them.
    virtual Bytes readAvailable() = 0;
};

}  // namespace vantor::scale
