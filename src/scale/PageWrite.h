#pragma once

// The two short exchanges that key and zone programming make: writing one 128-byte page with its
// read-back, and asking whether a key's block already holds a table. Each call is a complete
// exchange of its own (unlock ... finish), with shorter time limits than the whole-image run and
// four tries per stage.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "scale/ScaleProtocol.h"
#include "scale/ScaleTransport.h"

namespace vantor::scale {

inline constexpr std::chrono::seconds kUnlockLimit{2};
inline constexpr std::chrono::seconds kWriteLimit{2};
inline constexpr std::chrono::seconds kReadBackLimit{4};
// An unlock or a write is answered with one status byte.
inline constexpr std::size_t kAckReplySize = 1;
// The first try and three repeats. The count starts again for each stage, since the counter is
// cleared whenever a stage is acknowledged.
inline constexpr unsigned kStageTries = 4;
// What an erased byte of the scale's memory holds; a key block starting with it holds no table.
inline constexpr Byte kErasedByte = 0xFF;

enum class PageStage { None, Unlock, Write, ReadBack };

struct PageWriteResult {
    bool ok = false;
    PageStage failedStage = PageStage::None;
    bool timedOut = false;  // the last failure of that stage was a time-out (an Unlock or Write time-out
                            // is what disables the zone form)
};

// Unlock with the serial bytes, write the page, read it back until the address echo and all 128
// bytes are equal, then Finish. Finish is sent only when the page was read back equal. `Value`
// must hold 128 bytes; any other size is refused with nothing sent.
PageWriteResult ProgrammingOnePage(ScaleTransport& transport, std::uint16_t Adr, std::span<const Byte> Value,
                                   const SerialBytes& SN);

// What went wrong with a page, as the end of a sentence starting "The scale ": "did not answer the
// write for page 8380", "refused the unlock (is the serial number right?) for page 8000".
std::string describeFailure(const PageWriteResult& result, std::uint32_t page);

struct KeyCheckResult {
    bool programmed = false;  // the first stored byte at Adr is below FF
    bool answered = false;    // the scale answered the unlock and the read
    PageStage failedStage = PageStage::None;
    bool timedOut = false;
};

// Unlock, read the page at Adr, look at its first stored byte, then Finish (only when answered).
KeyCheckResult CheckKeyProgrammed(ScaleTransport& transport, std::uint16_t Adr, const SerialBytes& SN);

// The 128 bytes stored at Adr, read with Read page alone (no unlock is needed to read): a reply
// that is late, short or for another page is asked again, four tries in all. nullopt when none
// came back whole.
std::optional<Bytes> ReadOnePage(ScaleTransport& transport, std::uint16_t Adr);

}  // namespace vantor::scale
