#pragma once

#include "CliParser.h"

namespace vantor::cli {

// verify SOURCE [--port DEV]... [--all]: each scale's memory read and compared with the image an
// update from SOURCE would write into it; nothing is written. One line a scale on stdout.
int verifyCommand(const ParsedCommand& command);

}  // namespace vantor::cli
