#pragma once

// What `vantor-cli status` says about one scale: its serial number, which of the user's tables it
// holds, and the last update the history holds for it. Plain text in, plain text out.

#include <optional>
#include <string>

#include "core/firmware/TablesState.h"
#include "core/firmware/UpdateHistory.h"

namespace vantor::firmware {

// "/dev/ttyUSB0 24681357\n  zone table: programmed\n  keys: 1 blank, 2 programmed, ...\n
//  last update: 2026-12-08 13:06:33, ok: All 512 pages were written and verified.\n"
std::string statusText(const std::string& port, const std::string& serial, const TablesState& tables,
                       const std::optional<HistoryRecord>& lastUpdate);

}  // namespace vantor::firmware
