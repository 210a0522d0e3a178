#pragma once

// One line of an Intel HEX file: ":" count(2) address(4) type(2) data(2 x count) checksum(2).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/scale/Bytes.h"

namespace vantor::firmware {

enum class RecordType : Byte {
    Data = 0x00,
    EndOfFile = 0x01,
    ExtendedSegmentAddress = 0x02,
    StartSegmentAddress = 0x03,
    ExtendedLinearAddress = 0x04,
    StartLinearAddress = 0x05,
};

struct HexRecord {
    static constexpr std::size_t kMaxData = 255;

    Byte type = 0;
    std::uint16_t address = 0;
    std::array<Byte, kMaxData> storage{};
    std::size_t size = 0;

    std::span<const Byte> data() const { return std::span(storage).first(size); }
};

struct RecordParse {
    bool ok = false;
    HexRecord record;
    std::string error;  // why the line is no record, as the end of "Line N: ..."
};

// Checks the record's form: the colon, hex digits only, the byte count against the line's length
// and the checksum. What the record type means is the loader's business.
RecordParse parseHexRecord(std::string_view line);

}  // namespace vantor::firmware
