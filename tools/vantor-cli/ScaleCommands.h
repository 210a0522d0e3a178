#pragma once

#include <optional>
#include <string>
#include <vector>

#include "CliParser.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

enum ExitCode { kSuccess = 0, kScaleFailed = 1, kBadInput = 2 };

int portsCommand();
int detectCommand(const ParsedCommand& command);
int serialCommand(const ParsedCommand& command);

// The port named by --port, or the one detection finds; nullopt (with the reason on stderr)
// when no scale answers.
std::optional<std::string> choosePort(const ParsedCommand& command);

// Opens `port` on the transport; false, with the reason (and how to get access) on stderr, when
// it cannot be opened.
bool openPort(scale::SerialTransport& transport, const std::string& port);

// The ports of every scale that answers, in port order; empty (with the reason on stderr) when
// none does.
std::vector<std::string> detectEveryScale();

// choosePort, then openPort: the name of the port the transport now has open, or nullopt with
// the reason on stderr.
std::optional<std::string> connectScale(const ParsedCommand& command, scale::SerialTransport& transport);

}  // namespace vantor::cli
