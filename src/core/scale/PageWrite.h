#pragma once

// The two short exchanges that key and zone programming make: writing one 128-byte page with its
// read-back, and asking whether a key's block already holds a table. Each call is a complete
// exchange of its own (unlock ... finish), with shorter time limits than the whole-image run and
// four tries per stage.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "core/scale/OperationResult.h"
#include "core/scale/PageRead.h"
#include "core/scale/Progress.h"
#include "core/scale/ScaleProtocol.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::scale {

inline constexpr std::chrono::seconds kUnlockLimit{2};
inline constexpr std::chrono::seconds kWriteLimit{2};
// What an erased byte of the scale's memory holds; a key block starting with it holds no table.
inline constexpr Byte kErasedByte = 0xFF;

// Unlock with the serial bytes, write the page, read it back until the address echo and all 128
// bytes are equal, then Finish. Finish is sent only when the page was read back equal. `Value`
// must hold 128 bytes; any other size is refused with nothing sent. A failure names the stage,
// how its fourth try ended and the page.
OperationResult ProgrammingOnePage(ScaleTransport& transport, std::uint16_t Adr, std::span<const Byte> Value,
                                   const SerialBytes& SN);

// One page of a series to write: its address and its kPageSize bytes.
struct PageToWrite {
    std::uint16_t address = 0;
    Bytes bytes;
};

// Writes the pages in order, each as its own ProgrammingOnePage exchange with `SN`, stopping at the
// first page that fails (the pages before it stay written) and, before the next page, once
// `cancel` is set. `progress` is told {Write, pages done, pages in all} after each page written
// and read back. The one loop for every series of page writes: a key's block, the zone table, the
// user's saved tables.
OperationResult WritePages(ScaleTransport& transport, std::span<const PageToWrite> pages,
                           const SerialBytes& SN, const ProgressSink& progress,
                           const std::atomic<bool>& cancel);

// Reads the serial number with RdSN, then writes the pages unlocked with it as read, unchecked, as
// WritePages does: a scale that does not give its serial number gets zeros in the unlock, which it
// refuses, so the run fails at the unlock. (The whole-image run and the commands that need a serial
// number stop before the unlock instead: programWithCheckedSerial, ReadCheckedSerial.) Ends at
// once, as Cancelled, when `cancel` is set before the read.
OperationResult WritePagesUnlockedAsRead(ScaleTransport& transport, std::span<const PageToWrite> pages,
                                         const ProgressSink& progress, const std::atomic<bool>& cancel);

struct KeyCheckResult {
    bool programmed = false;   // the first stored byte at Adr is below FF
    OperationResult exchange;  // how the unlock and the read ended

    // The scale answered the unlock and the read.
    bool answered() const { return exchange.succeeded(); }
};

// Unlock, read the page at Adr, look at its first stored byte, then Finish (only when answered).
KeyCheckResult CheckKeyProgrammed(ScaleTransport& transport, std::uint16_t Adr, const SerialBytes& SN);

}  // namespace vantor::scale
