#pragma once

// Options that may stand anywhere on the command line, taken out of the arguments before the rest
// is read: `--log-file PATH` (or `--log-file=PATH`) of vantor-pc and vantor-cli, and the like.

#include <optional>
#include <string>
#include <vector>

namespace vantor::app {

struct ValueOption {
    std::optional<std::string> value;
    std::string error;  // the one-line reason the option was refused
};

// Takes `option VALUE` or `option=VALUE` out of `args`; `what` names the value in the refusal
// ("--log-file needs a file name"). Refused when the value is missing or given twice.
ValueOption takeValueOption(std::vector<std::string>& args, const std::string& option,
                            const std::string& what);

struct LogFileOption {
    std::optional<std::string> path;
    std::string error;  // the one-line reason the option was refused
};

LogFileOption takeLogFileOption(std::vector<std::string>& args);

}  // namespace vantor::app
