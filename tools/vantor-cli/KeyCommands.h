#pragma once

// vantor-cli's key command: a weight-and-rate table from a CSV file, checked by the table
// editor's rules and written into one of the scale's six blank keys.

#include <optional>
#include <string>
#include <vector>

#include "CliParser.h"
#include "core/keys/KeyTableCsv.h"

namespace vantor::cli {

using keys::readKeyTable;
using keys::TableRead;

// key KEY --unit oz|lb|g --table CSV [--port DEV] [--yes]
int keyCommand(const ParsedCommand& command);

}  // namespace vantor::cli
