#pragma once

#include "CliParser.h"

namespace vantor::cli {

// vantor-cli check: asks the web server (VANTOR_WEB_SERVER) whether a scale software update is
// available and which PC program version is the latest. Prints "software-update: Y" (or N, as
// the server gave it) and "latest-version: Version X"; exit status 1, with the reason on stderr,
// when an answer is missing or the update answer is not one of Y, y, N, n.
int checkCommand(const ParsedCommand& command);

}  // namespace vantor::cli
