#pragma once

// vantor-cli's key command: a weight-and-rate table from a CSV file, checked by the table
// editor's rules and written into one of the scale's six blank keys.

#include <optional>
#include <string>
#include <vector>

#include "CliParser.h"
#include "keys/WeightRateTable.h"

namespace vantor::cli {

struct TableRead {
    std::optional<keys::WeightRateTable> table;
    std::string error;          // the refusal, naming the line
    bool declined = false;      // a question was answered No
};

// Reads CSV lines "max weight,rate" into the editor as Add would take them from the boxes, one
// line a range. Blank lines and lines starting with '#' are skipped. `confirm` answers the
// editor's questions.
TableRead readKeyTable(const std::string& csv, int key, std::int16_t unit,
                       const std::function<bool(const keys::EditorMessage&)>& confirm);

// key KEY --unit oz|lb|g --table CSV [--port DEV] [--yes]
int keyCommand(const ParsedCommand& command);

}  // namespace vantor::cli
