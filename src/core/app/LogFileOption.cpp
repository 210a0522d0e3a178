#include "core/app/LogFileOption.h"

namespace vantor::app {

namespace {
const std::string kOption = "--log-file";
}

LogFileOption takeLogFileOption(std::vector<std::string>& args) {
    LogFileOption result;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::optional<std::string> value;
        if (arg == kOption) {
            if (i + 1 >= args.size()) {
                result.error = "--log-file needs a file name";
                return result;
            }
            value = args[++i];
        } else if (arg.rfind(kOption + "=", 0) == 0) {
            value = arg.substr(kOption.size() + 1);
        } else {
            rest.push_back(arg);
            continue;
        }
        // "--log-file --yes" is a forgotten file name, not a file called "--yes".
        if (value->empty() || value->rfind("--", 0) == 0) {
            result.error = "--log-file needs a file name";
            return result;
        }
        if (result.path) {
            result.error = "--log-file given twice";
            return result;
        }
        result.path = *value;
    }
    args = std::move(rest);
    return result;
}

}  // namespace vantor::app
