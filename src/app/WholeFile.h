#pragma once

// Writing a file whole or not at all: the bytes go to a temporary file that replaces the target
// only once all of them are written, so a full disk or a broken transfer never leaves a half file
// that looks whole.

#include <QString>
#include <optional>
#include <span>
#include <string>

namespace vantor::app {

// Writes `bytes` to `path`; the system's reason when it could not.
std::optional<std::string> saveWhole(const QString& path, std::span<const char> bytes);

}  // namespace vantor::app
