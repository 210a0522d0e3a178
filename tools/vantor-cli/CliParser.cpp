#include "CliParser.h"

#include "core/scale/NumberText.h"

#include <algorithm>

namespace vantor::cli {

bool ParsedCommand::has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

bool ParsedCommand::takes(const std::string& flag) const {
    return std::find(flagOptions.begin(), flagOptions.end(), flag) != flagOptions.end();
}

std::optional<std::string> ParsedCommand::value(const std::string& option) const {
    const std::vector<std::string> given = allValues(option);
    if (given.empty())
        return std::nullopt;
    return given.back();
}

std::vector<std::string> ParsedCommand::allValues(const std::string& option) const {
    std::vector<std::string> given;
    const auto [first, last] = values.equal_range(option);
    for (auto it = first; it != last; ++it)
        given.push_back(it->second);
    return given;
}

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

ParseOutcome refuse(std::string error) {
    ParseOutcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

}  // namespace

ParseOutcome parseCommandLine(const std::vector<std::string>& args,
                              const std::vector<CommandSyntax>& commands) {
    ParseOutcome outcome;
    if (contains(args, "--help") || contains(args, "-h")) {
        outcome.help = true;
        return outcome;
    }
    if (contains(args, "--version")) {
        outcome.version = true;
        return outcome;
    }
    if (args.empty())
        return refuse("no command given (see --help)");

    const auto syntax = std::find_if(commands.begin(), commands.end(),
                                     [&](const CommandSyntax& c) { return c.name == args[0]; });
    if (syntax == commands.end())
        return refuse("unknown command '" + args[0] + "' (see --help)");

    ParsedCommand command;
    command.name = syntax->name;
    command.flagOptions = syntax->flagOptions;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 2 && arg.starts_with("--")) {
            const std::size_t eq = arg.find('=');
            const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            if (contains(syntax->flagOptions, name) && eq == std::string::npos) {
                command.flags.push_back(name);
            } else if (contains(syntax->valueOptions, name)) {
                if (eq != std::string::npos) {
                    command.values.emplace(name, arg.substr(eq + 1));
                } else if (i + 1 < args.size() && !args[i + 1].starts_with("--")) {
                    // "--port --yes" is a port forgotten, not a port named "--yes".
                    command.values.emplace(name, args[++i]);
                } else {
                    return refuse("--" + name + " needs a value");
                }
            } else {
                return refuse("unknown option '" + arg + "' for " + syntax->name);
            }
        } else {
            command.arguments.push_back(arg);
        }
    }
    if (command.arguments.size() < syntax->minArguments || command.arguments.size() > syntax->maxArguments)
        return refuse("usage: vantor-cli " + syntax->usage);
    outcome.command = std::move(command);
    return outcome;
}

std::optional<unsigned long> parseCliNumber(const std::string& text) {
    return parseUnsignedNumber(text);
}

}  // namespace vantor::cli
