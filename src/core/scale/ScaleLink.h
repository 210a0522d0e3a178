#pragma once

// Exchanges with the scale built on the common pattern: discard, send, wait with a deadline, read.

#include <chrono>
#include <optional>
#include <string>

#include "core/scale/OperationResult.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::scale {

inline constexpr std::chrono::seconds kSerialReadLimit{10};
// Before a command on a line that is not settled, stray bytes are dropped until the line has been
// quiet this long: longer than the pauses inside one reply (a USB adapter passes a reply on in
// packets of up to 62 bytes, up to 16 ms apart), short beside the 68 ms a page takes on the line
// at 19,200 baud.
inline constexpr std::chrono::milliseconds kQuietTime{20};
// On a port just opened the line must have been quiet longer: a run cut short may have left up to a
// whole page write (68 ms on the line) on its way to the scale, which answers only after its end.
inline constexpr std::chrono::milliseconds kOpenedQuietTime{120};
// A line still busy after this is noise rather than the end of a reply: the command is not sent
// and the exchange counts as unanswered, for its retry rules to decide.
inline constexpr std::chrono::milliseconds kNoisyLineLimit{500};

// A command's reply, or why none came: NoReply when fewer than `minimum` bytes arrived in time,
// PortFailed when the command could not be handed over.
struct Reply {
    Outcome failure = Outcome::Success;
    Bytes bytes;

    explicit operator bool() const { return failure == Outcome::Success; }
    const Bytes& operator*() const { return bytes; }
    const Bytes* operator->() const { return &bytes; }
};

// One command and its reply, waiting up to `limit` for at least `minimum` bytes. Pending input is dropped
// before the command is handed over: the scale cannot answer a command it has not received, so this drops the
// same stale bytes as dropping them "right after handing over" would on a slow line, without the risk of
// dropping the start of a reply that arrives while the command is still draining from the send buffer.
// The line counts as settled afterwards only when the reply answered the command (answers()) with
// exactly `minimum` bytes: anything past them may be the start of a tail still arriving. A line that
// never went quiet gives NoReply with nothing sent.
Reply exchange(ScaleTransport& transport, std::span<const Byte> command, std::size_t minimum,
               std::chrono::seconds limit);

// The sending half of an exchange, the one way a command goes to the scale: pending input is
// dropped, and when the line is not settled or bytes were waiting, dropped until the line has been
// quiet for kQuietTime; then the command is sent. False when the port failed or the line stayed
// noisy for kNoisyLineLimit.
bool handOver(ScaleTransport& transport, std::span<const Byte> command);

// Sends Finish, whose answer is not awaited. A scale may answer all the same, so the line is not
// settled afterwards: the next command first waits for the line to go quiet.
void sendFinish(ScaleTransport& transport);

// How a command answered by one status byte went: F0 acknowledges, any other byte refuses.
Outcome acknowledgement(const Reply& reply);

// How a page read went: Success with `page` pointing into `reply` when the reply is whole and
// repeats `address` in bytes 1 and 2; the reply's own failure, or Mismatch for a reply that does not
// fit (another address).
Outcome pageOf(const Reply& reply, std::uint32_t address, std::span<const Byte>& page);

struct SerialRead {
    std::string serial;     // "" when the scale did not answer
    bool scaleCom = false;  // whether a reply arrived within the time limit
};

// Reads the serial number from the first four bytes of the page at 0x0700. The text is not
// validated here: callers apply CheckSerial or use it as it comes.
SerialRead RdSN(ScaleTransport& transport);

// The scale's serial number, read with RdSN, when it passes CheckSerial; nullopt when the scale
// was silent or its answer is no serial number (nothing can be unlocked with it).
std::optional<std::string> ReadCheckedSerial(ScaleTransport& transport);

}  // namespace vantor::scale
