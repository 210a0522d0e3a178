#pragma once

// vantor-cli's download command, and the download step of flash.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "CliParser.h"

namespace vantor::cli {

// A reset connection resumes by itself this many times unless --retries says otherwise.
inline constexpr unsigned kDefaultRetries = 3;
// download refuses a larger file unless --max-size says otherwise: room for the largest manual,
// and a stop for a server whose reply never ends.
inline constexpr std::int64_t kDefaultMaxDownloadBytes = std::int64_t{256} * 1024 * 1024;

// download URL DEST [--retries N] [--max-size BYTES]
int downloadCommand(const ParsedCommand& command);

bool isDownloadUrl(const std::string& source);

enum class DownloadKind {
    UpdateFile,  // flash URL: a web page is refused, as is a file beyond the update file's bound
    AnyFile,     // download: any file, up to --max-size
};

// Downloads `url` into `destination`, resuming up to `retries` times; refusals and progress on
// stderr. A file larger than `sizeLimit` is refused as soon as that shows. Returns an exit status:
// kSuccess, kScaleFailed when the server or the transfer failed.
int downloadFile(const std::string& url, const QString& destination, unsigned retries,
                 std::optional<std::int64_t> sizeLimit, DownloadKind kind);

}  // namespace vantor::cli
