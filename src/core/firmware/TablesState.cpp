#include "core/firmware/TablesState.h"

#include <algorithm>

#include "core/firmware/UserTables.h"
#include "core/scale/PageWrite.h"
#include "core/zones/ZoneTable.h"

namespace vantor::firmware {

bool TablesState::any() const {
    return zoneTable || std::any_of(keys.begin(), keys.end(), [](bool k) { return k; });
}

TablesState tablesState(std::span<const Byte> region) {
    TablesState state;
    if (region.size() < kTablesSize)
        return state;
    const auto zones =
        region.subspan(zones::kZonesAddress - kTablesStart, keys::kFirstKeyBlock - kTablesStart);
    state.zoneTable = holdsTables(zones);
    for (int key = 1; key <= keys::kKeyCount; ++key)
        state.keys[key - 1] = region[keys::keyBlockStart(key) - kTablesStart] < scale::kErasedByte;
    return state;
}

const char* programmedWord(bool programmed) {
    return programmed ? "programmed" : "blank";
}

std::string keysWords(const TablesState& state) {
    std::string words;
    for (int key = 1; key <= keys::kKeyCount; ++key) {
        if (!words.empty())
            words += ", ";
        words += std::to_string(key) + " " + programmedWord(state.keys[key - 1]);
    }
    return words;
}

}  // namespace vantor::firmware
