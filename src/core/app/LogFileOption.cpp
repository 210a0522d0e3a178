#include "core/app/LogFileOption.h"

namespace vantor::app {

ValueOption takeValueOption(std::vector<std::string>& args, const std::string& option,
                            const std::string& what) {
    ValueOption result;
    const std::string missing = option + " needs " + what;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::optional<std::string> value;
        if (arg == option) {
            if (i + 1 >= args.size()) {
                result.error = missing;
                return result;
            }
            value = args[++i];
        } else if (arg.rfind(option + "=", 0) == 0) {
            value = arg.substr(option.size() + 1);
        } else {
            rest.push_back(arg);
            continue;
        }
        // "--log-file --yes" is a forgotten file name, not a file called "--yes".
        if (value->empty() || value->rfind("--", 0) == 0) {
            result.error = missing;
            return result;
        }
        if (result.value) {
            result.error = option + " given twice";
            return result;
        }
        result.value = *value;
    }
    args = std::move(rest);
    return result;
}

LogFileOption takeLogFileOption(std::vector<std::string>& args) {
    ValueOption taken = takeValueOption(args, "--log-file", "a file name");
    return {std::move(taken.value), std::move(taken.error)};
}

}  // namespace vantor::app
