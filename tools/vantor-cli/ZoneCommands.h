#pragma once

// vantor-cli's zone command: the zone chart pasted from the postal service's page, saved as a text
// file, written into the scale's zone table as the zone form writes it.

#include "CliParser.h"

namespace vantor::cli {

// zones CHART [--port DEV] [--yes]
int zonesCommand(const ParsedCommand& command);

}  // namespace vantor::cli
