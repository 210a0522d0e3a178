#pragma once

#include <atomic>

namespace vantor::cli {

// Ctrl+C or SIGTERM during a long command: the flag is set, the command ends at its next exchange
// and closes the port (or removes its partial file). Installs the handlers on first use.
std::atomic<bool>& stopOnSignals();

}  // namespace vantor::cli
