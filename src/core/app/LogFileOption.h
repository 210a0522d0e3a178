#pragma once

// `--log-file PATH` (or `--log-file=PATH`), accepted anywhere on the command line of vantor-pc and
// vantor-cli, and taken out of the arguments before the rest is read.

#include <optional>
#include <string>
#include <vector>

namespace vantor::app {

struct LogFileOption {
    std::optional<std::string> path;
    std::string error;  // the one-line reason the option was refused
};

LogFileOption takeLogFileOption(std::vector<std::string>& args);

}  // namespace vantor::app
