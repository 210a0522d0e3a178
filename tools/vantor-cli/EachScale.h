#pragma once

// Commands that work on several scales at once (flash, resume, verify, status): which ports, and a run on
// each at the same time, so that N scales take about as long as one.

#include <functional>
#include <string>
#include <vector>

#include "CliParser.h"
#include "core/scale/Progress.h"

namespace vantor::cli {

struct ChosenPorts {
    std::vector<std::string> ports;  // --all: every scale detection found; --port: the ports given
    bool several = false;            // --all, or --port more than once: each scale on its own
    int status = 0;                  // not 0: the exit status, the reason said on stderr
};

// The one reading of --all and --port: both at once are refused; --all finds every scale; neither
// leaves `ports` empty, for the command to find its one scale as it does.
ChosenPorts choosePorts(const ParsedCommand& command);

// The scales verify and status read: those choosePorts gives, each device once, or the scale
// detection finds first; kScaleFailed when there is none.
ChosenPorts scalesToRead(const ParsedCommand& command);

// Calls job(index, port) for every port, each on its own thread at the same time, meanwhile() on
// this one, and returns when all have ended. Each job opens its own port on its own thread.
void onEachPort(const std::vector<std::string>& ports,
                const std::function<void(std::size_t, const std::string&)>& job,
                const std::function<void()>& meanwhile = {});

// "/dev/ttyUSB0: pages read 128/512" on stderr at every 128th page; safe from any thread.
void showPagesRead(const std::string& port, const scale::Progress& progress);

}  // namespace vantor::cli
