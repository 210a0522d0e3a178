#pragma once

// The simulator's command line.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/FaultScript.h"
#include "simulation/Variations.h"

namespace vantor::sim {

inline constexpr std::string_view kDefaultSerial = "12345678";

struct SimulatorOptions {
    std::optional<std::string> serial;  // as given with --serial
    std::optional<std::string> memoryFile;
    bool wireTiming = false;
    bool verbose = false;
    std::vector<scale::Fault> faults;
    scale::VariationSettings variations;  // its seed is the one given, or chosen at start
    bool seedGiven = false;
};

struct SimulatorArguments {
    enum class Action { Serve, Help, Version, Refuse };
    Action action = Action::Serve;
    SimulatorOptions options;
    std::string error;  // with Refuse: one line saying what is wrong
};

// `arguments` without the program name. Options take their value as the next argument or
// after '=' (--serial=12345678).
SimulatorArguments parseSimulatorArguments(std::span<const std::string_view> arguments);

std::string simulatorHelp();

}  // namespace vantor::sim
