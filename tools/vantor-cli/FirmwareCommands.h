#pragma once

// vantor-cli's firmware commands: building the image from an update file, programming it into the
// scale, and reading the scale's memory back.

#include "CliParser.h"

namespace vantor::cli {

// image HEXFILE --output OUT [--serial NNNNNNNN]
int imageCommand(const ParsedCommand& command);
// flash SOURCE [--port DEV]
int flashCommand(const ParsedCommand& command);
// resume [--port DEV]... [--all] [--yes]
int resumeCommand(const ParsedCommand& command);
// read ADDRESS [LENGTH] [--port DEV]
int readCommand(const ParsedCommand& command);

}  // namespace vantor::cli
