#pragma once

// Commands that work on several scales at once (verify, status): which ports, and a run on each at
// the same time, so that N scales take about as long as one.

#include <functional>
#include <string>
#include <vector>

#include "CliParser.h"
#include "core/scale/Progress.h"

namespace vantor::cli {

struct ChosenPorts {
    std::vector<std::string> ports;  // empty when none can be used
    int status = 0;                  // the exit status then, the reason said on stderr
};

// --all: every scale detection finds; --port DEV (any number): those ports; neither: the scale
// detection finds first.
ChosenPorts choosePorts(const ParsedCommand& command);

// Calls job(index, port) for every port, each on its own thread at the same time, and returns when
// all have ended. Each job opens its own port on its own thread.
void onEachPort(const std::vector<std::string>& ports,
                const std::function<void(std::size_t, const std::string&)>& job);

// "/dev/ttyUSB0: pages read 128/512" on stderr at every 128th page; safe from any thread.
void showPagesRead(const std::string& port, const scale::Progress& progress);

}  // namespace vantor::cli
