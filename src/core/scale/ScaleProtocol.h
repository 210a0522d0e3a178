#pragma once

// The scale's serial command set: byte values, sizes and the command builders.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/scale/Bytes.h"

namespace vantor::scale {

inline constexpr Byte kUnlock = 0x1E;
inline constexpr Byte kWritePage = 0xC3;
inline constexpr Byte kReadPage = 0xB4;
inline constexpr Byte kFinish = 0x4B;
inline constexpr Byte kAck = 0xF0;

inline constexpr std::size_t kPageSize = 128;
inline constexpr std::size_t kMemorySize = 0x10000;
inline constexpr std::size_t kPageCount = kMemorySize / kPageSize;
inline constexpr std::size_t kUnlockSize = 5;
inline constexpr std::size_t kWritePageSize = 3 + kPageSize;
inline constexpr std::size_t kReadCommandSize = 3;
// A page read is answered with one status byte, the address echo (hi, lo) and the page.
inline constexpr std::size_t kReadReplySize = 3 + kPageSize;
// One read of the port takes at most this many bytes.
inline constexpr std::size_t kMaxReadSize = 256;

inline constexpr std::uint16_t kSerialAddress = 0x0700;

using SerialBytes = std::array<Byte, 4>;

// The bytes of the command that starts with `opcode` (0 for a byte that starts no command).
std::size_t commandSize(Byte opcode);

Bytes unlockCommand(const SerialBytes& serial);
// `page` must hold kPageSize bytes.
Bytes writePageCommand(std::uint16_t address, std::span<const Byte> page);
Bytes readPageCommand(std::uint16_t address);
Bytes finishCommand();

// The page a read reply carries: the reply must be whole (the command's echo B4, the address echo hi
// and lo, the page) and echo `address`. Bytes past the page are not looked at. nullopt otherwise.
std::optional<std::span<const Byte>> pageInReply(std::span<const Byte> reply, std::uint32_t address);

// Whether `reply` answers `command` from its first byte on: a page read is answered with the whole
// page behind the command's own three bytes, an unlock or a write with the acknowledgement. A reply
// that does not may be the tail of an earlier one.
bool answers(std::span<const Byte> command, std::span<const Byte> reply);

inline constexpr Byte addressHigh(std::uint32_t address) {
    return static_cast<Byte>((address & 0xFF00) >> 8);
}
inline constexpr Byte addressLow(std::uint32_t address) {
    return static_cast<Byte>(address & 0xFF);
}

}  // namespace vantor::scale
