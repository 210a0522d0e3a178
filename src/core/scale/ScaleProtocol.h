#pragma once

// The scale's serial command set: byte values, sizes and the command builders.
//
// What a reply promises, command by command, and what it leaves to the scale (a real scale may fill
// what is left open any way it likes, so nothing here looks at it):
//   Unlock, Write page  promised: the first byte, F0 to acknowledge, anything else refuses.
//                       open: whether more bytes follow it, and when.
//   Read page           promised: at least 131 bytes; bytes 1 and 2 repeat the address (hi, lo),
//                       bytes 3..130 are the page. open: byte 0, and bytes after the 131st.
//   Finish              promised: nothing; no reply is awaited. open: whether the scale answers.
//   Every reply         open: how it is cut into pieces on its way (a USB adapter passes bytes on
//                       in packets of up to 62 bytes, up to 16 ms apart).

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
// A page read is answered with a byte nobody looks at, the address echo (hi, lo) and the page.
inline constexpr std::size_t kReadReplySize = 3 + kPageSize;
// An unlock or a page write is answered with one status byte.
inline constexpr std::size_t kAckReplySize = 1;
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

// The page a read reply carries: the reply must be whole (131 bytes) and repeat `address` in bytes 1
// and 2. Byte 0 and the bytes past the page are not looked at. nullopt otherwise.
std::optional<std::span<const Byte>> pageInReply(std::span<const Byte> reply, std::uint32_t address);

// The bytes the reply to `command` is promised to have: 131 for a page read, 1 for an unlock or a
// write, none for Finish.
std::size_t replySize(std::span<const Byte> command);

// Whether `reply` is what `command` is promised to be answered with, from its first byte on: a page
// read with the whole page behind its address, an unlock or a write with the acknowledgement. A
// reply that is not may be the tail of an earlier one. Bytes past the promised ones are allowed.
bool answers(std::span<const Byte> command, std::span<const Byte> reply);

inline constexpr Byte addressHigh(std::uint32_t address) {
    return static_cast<Byte>((address & 0xFF00) >> 8);
}
inline constexpr Byte addressLow(std::uint32_t address) {
    return static_cast<Byte>(address & 0xFF);
}

}  // namespace vantor::scale
