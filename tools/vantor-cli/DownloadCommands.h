#pragma once

// vantor-cli's download command, and the download step of flash.

#include <QString>
#include <string>

#include "CliParser.h"

namespace vantor::cli {

// A reset connection resumes by itself this many times unless --retries says otherwise.
inline constexpr unsigned kDefaultRetries = 3;

// download URL DEST [--retries N]
int downloadCommand(const ParsedCommand& command);

bool isDownloadUrl(const std::string& source);

// Downloads `url` into `destination`, resuming up to `retries` times; refusals and progress on
// stderr. Returns an exit status: kSuccess, kScaleFailed when the server or the transfer failed.
int downloadFile(const std::string& url, const QString& destination, unsigned retries);

}  // namespace vantor::cli
