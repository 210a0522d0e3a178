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

// download URL DEST [--retries N]
int downloadCommand(const ParsedCommand& command);

bool isDownloadUrl(const std::string& source);

// Downloads `url` into `destination`, resuming up to `retries` times; refusals and progress on
// stderr. A file larger than `sizeLimit` is refused as soon as that shows. Returns an exit status:
// kSuccess, kScaleFailed when the server or the transfer failed.
int downloadFile(const std::string& url, const QString& destination, unsigned retries,
                 std::optional<std::int64_t> sizeLimit = std::nullopt);

}  // namespace vantor::cli
