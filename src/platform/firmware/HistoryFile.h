#pragma once

// The update history file in the program's data folder, shared by the program and vantor-cli:
// records appended one whole line each, read back with damaged lines skipped (one log line for them).

#include <QString>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/UpdateHistory.h"

namespace vantor::firmware {

// <data folder>/history.jsonl, the same file whichever executable asks.
QString historyPath();

// Stamps `record` with the time now and appends it as one line, with a single write, so that
// records appended at the same moment by other scales or programs never mix; the support log notes
// it. The reason when it could not be written (the operation it records is not undone by that).
std::optional<std::string> recordHistory(HistoryRecord record);

// recordHistory for an operation begun at `started` that ended with `result` (see historyRecord).
void recordOperation(std::string_view operation, const scale::OperationResult& result, std::string what,
                     std::chrono::steady_clock::time_point started);

// recordHistory for an update's runs and write-backs (ScaleUpdate::recordTo).
HistorySink historyInDataFolder();

struct HistoryFileRead {
    std::vector<HistoryRecord> records;  // oldest first
    bool missing = false;                // no history yet
    std::string error;                   // why the file could not be read ("" when it could)
};

// Every record of the history file; damaged lines are skipped, with one log line for them all.
HistoryFileRead readHistoryFile();

}  // namespace vantor::firmware
