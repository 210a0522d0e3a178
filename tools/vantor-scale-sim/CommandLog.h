#pragma once

// The simulator's one-line account of a command and what the scale did with it, for --verbose.

#include <optional>
#include <span>
#include <string>

#include "simulation/ScaleModel.h"

namespace vantor::sim {

// `command` is the complete command; `reply` is nullopt when none was sent; `hungUp` when the
// command made the scale hang up the line.
std::string describeCommand(std::span<const Byte> command, const std::optional<scale::ScaleReply>& reply,
                            bool hungUp);

}  // namespace vantor::sim
