#pragma once

#include "CliParser.h"

namespace vantor::cli {

// status [--port DEV]... [--all]: each scale's serial number, which of its tables are programmed,
// and the last update the history holds for it. Nothing is written.
int statusCommand(const ParsedCommand& command);

// history [--serial N] [--json]: the update history, newest first.
int historyCommand(const ParsedCommand& command);

}  // namespace vantor::cli
