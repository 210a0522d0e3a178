#include "core/app/LogFileOption.h"

#include "core/app/CommandLine.h"

namespace vantor::app {

ValueOption takeValueOption(std::vector<std::string>& args, const std::string& option,
                            const std::string& what) {
    const CommandLine line(args, {{{option, true}}, false, true});
    const std::string missing = option + " needs " + what;
    ValueOption result;
    for (std::size_t i = 0; i < line.wordsBeforeFault(); ++i) {
        const CommandLineWord& word = line.words()[i];
        if (word.option.empty())
            continue;
        // "--log-file=--yes" is a forgotten file name, not a file called "--yes".
        if (word.text.empty() || word.text.starts_with("--"))
            return {std::nullopt, missing};
        if (result.value)
            return {std::nullopt, option + " given twice"};
        result.value = word.text;
    }
    if (line.fault() != CommandLineFault::None)
        return {std::nullopt, missing};
    args = line.arguments();
    return result;
}

LogFileOption takeLogFileOption(std::vector<std::string>& args) {
    ValueOption taken = takeValueOption(args, "--log-file", "a file name");
    return {std::move(taken.value), std::move(taken.error)};
}

}  // namespace vantor::app
