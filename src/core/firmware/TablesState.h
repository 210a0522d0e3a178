#pragma once

// Which of the user's tables a scale holds, from the bytes of its tables region (0x8000..0x91FF):
// the zone table and each of the six keys, programmed or blank.

#include <array>
#include <span>
#include <string>

#include "core/keys/KeyBlock.h"
#include "core/scale/Bytes.h"

namespace vantor::firmware {

struct TablesState {
    bool zoneTable = false;                    // any byte of the zone table is programmed
    std::array<bool, keys::kKeyCount> keys{};  // as the key check sees it: its first byte below FF

    bool any() const;
};

// The state of `region`, the kTablesSize bytes from 0x8000.
TablesState tablesState(std::span<const Byte> region);

// "programmed" or "blank".
const char* programmedWord(bool programmed);

// "1 blank, 2 programmed, 3 programmed, 4 blank, 5 blank, 6 blank"
std::string keysWords(const TablesState& state);

}  // namespace vantor::firmware
