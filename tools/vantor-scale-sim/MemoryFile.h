#pragma once

// The simulator's memory between runs: a file holding exactly the scale's 65,536 bytes.

#include <optional>
#include <string>

#include "core/scale/Bytes.h"

namespace vantor::sim {

struct MemoryLoad {
    std::optional<Bytes> memory;  // nullopt when the file does not exist yet, or on error
    std::string error;            // why the file was refused; empty when it was read or is missing
};

MemoryLoad loadMemoryFile(const std::string& path);

// Refuses, before anything is served, a file that could not be written at the end of the run.
// Returns why, or "" when the folder is there and writable.
std::string checkMemoryFileWritable(const std::string& path);

// Replaces the file as a whole: a crash or full disk leaves the old file, never half of a new one.
// Returns why it failed, or "" on success.
std::string saveMemoryFile(const std::string& path, const Bytes& memory);

}  // namespace vantor::sim
