#include "core/firmware/ScaleStatus.h"

namespace vantor::firmware {

std::string statusText(const std::string& port, const std::string& serial, const TablesState& tables,
                       const std::optional<HistoryRecord>& lastUpdate) {
    std::string text = port + " " + serial + "\n";
    text += std::string("  zone table: ") + programmedWord(tables.zoneTable) + "\n";
    text += "  keys: " + keysWords(tables) + "\n";
    text += "  last update: ";
    if (!lastUpdate)
        return text + "none in the history\n";
    return text + shownTime(*lastUpdate) + ", " + (lastUpdate->ok ? "ok" : "failed") + ": " +
           shownText(lastUpdate->result) + "\n";
}

}  // namespace vantor::firmware
