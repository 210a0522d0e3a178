#pragma once

#include <QString>
#include <optional>

namespace vantor::app {

// The support log: with `--log-file PATH` (vantor-pc keeps one in its data folder without it), every message
// of the program's logging categories (the serial trace in hex with timing, the online requests, every
// message box and its answer) is appended to PATH, one timestamped line each, written through at once so that
// a crash or a pulled cable loses nothing. One log file per process.
class LogFile {
public:
    // Opens PATH for appending, turns on the program's debug categories and sends every Qt log
    // message there. Returns the reason when the file cannot be written; nothing changes then.
    // With a `limit`, a file grown beyond that many bytes is renamed PATH.old (replacing the one
    // before) and PATH starts afresh, at start and whenever it grows past it again.
    static std::optional<QString> start(const QString& path, qint64 limit = 0);
    // The log vantor-pc keeps without --log-file, in its data folder, and its limit.
    static constexpr const char* kKeptName = "support.log";
    static constexpr qint64 kKeptLimit = 2 * 1024 * 1024;
    // Back to the previous message handler and logging rules; the file is closed.
    static void stop();
    static bool active();
};

}  // namespace vantor::app
