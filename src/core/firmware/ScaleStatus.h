#pragma once

// What `vantor-cli status` says about one scale: its serial number, which of the user's tables it
// holds, and the last update the history holds for it. Plain text in, plain text out.

#include <optional>
#include <string>

#include "core/firmware/TablesState.h"
#include "core/firmware/UpdateHistory.h"
#include "core/firmware/UpdateJournal.h"

namespace vantor::firmware {

// "/dev/ttyUSB0 24681357\n  zone table: programmed\n  keys: 1 blank, 2 programmed, ...\n
//  last update: 2026-12-08 13:06:33, ok: All 512 pages were written and verified.\n", and a line
// for an unfinished update (`unfinished`, from unfinishedText) when there is one. A last update
// whose record was never closed is "not ended".
std::string statusText(const std::string& port, const std::string& serial, const TablesState& tables,
                       const std::optional<HistoryRecord>& lastUpdate, const std::string& unfinished = {});

// What an unfinished update's journal tells, for status and verify: "an update begun 2026-12-08
// 14:03 did not finish (it stopped writing the zone table and keys back, at least 18 pages in);
// finish it with: vantor-cli resume".
std::string unfinishedText(const UpdateJournal& journal);
// The same when the journal at `path` cannot be read (`problem`).
std::string unreadableJournalText(const std::string& path, const std::string& problem);

// Whether status must say that the scale is not as an update left it: exit 1.
bool statusIsUnsettled(const std::optional<HistoryRecord>& lastUpdate, const std::string& unfinished);

}  // namespace vantor::firmware
