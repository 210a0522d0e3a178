#pragma once

// Exchanges with the scale built on the common pattern: discard, send, wait with a deadline, read.

#include <chrono>
#include <optional>
#include <string>

#include "scale/ScaleTransport.h"

namespace vantor::scale {

inline constexpr std::chrono::seconds kSerialReadLimit{10};

// Where pending input is dropped relative to handing over the command.
enum class Discard { BeforeSending, AfterSending };

// One command and its reply: nullopt when the port failed or fewer than `minimum` bytes
// arrived within `limit`.
std::optional<Bytes> exchange(ScaleTransport& transport, std::span<const Byte> command,
                              std::size_t minimum, std::chrono::seconds limit, Discard discard);

struct SerialRead {
    std::string serial;     // "" when the scale did not answer
    bool scaleCom = false;  // whether a reply arrived within the time limit
};

// Reads the serial number from the first four bytes of the page at 0x0700. The text is not
// validated here: callers apply CheckSerial or use it as it comes.
SerialRead RdSN(ScaleTransport& transport);

}  // namespace vantor::scale
