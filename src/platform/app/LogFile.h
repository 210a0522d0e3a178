#pragma once

#include <QString>
#include <optional>

namespace vantor::app {

// The support log: with `--log-file PATH`, every message of the program's logging categories
// (the serial trace in hex with timing, the online requests, every message box and its answer)
// is appended to PATH, one timestamped line each, written through at once so that a crash or a
// pulled cable loses nothing. One log file per process.
class LogFile {
public:
    // Opens PATH for appending, turns on the program's debug categories and sends every Qt log
    // message there. Returns the reason when the file cannot be written; nothing changes then.
    static std::optional<QString> start(const QString& path);
    // Back to the previous message handler and logging rules; the file is closed.
    static void stop();
    static bool active();
};

}  // namespace vantor::app
