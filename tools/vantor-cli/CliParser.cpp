#include "CliParser.h"

#include "core/app/CommandLine.h"
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

ParseOutcome refuse(std::string error) {
    ParseOutcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

// --help and --version may stand anywhere, even where nothing else would be understood.
app::CommandLine programOptions(const std::vector<std::string>& args) {
    return app::CommandLine(args, {{{"--help"}, {"-h"}, {"--version"}}, false, true});
}

app::CommandLineRules commandRules(const CommandSyntax& syntax) {
    app::CommandLineRules rules;
    for (const std::string& name : syntax.valueOptions)
        rules.options.push_back({"--" + name, true});
    for (const std::string& name : syntax.flagOptions)
        rules.options.push_back({"--" + name, false});
    return rules;
}

std::string refusal(const app::CommandLine& line, const CommandSyntax& syntax) {
    if (line.fault() == app::CommandLineFault::MissingValue)
        return line.faultOption() + " needs a value";
    return "unknown option '" + line.faultWord() + "' for " + syntax.name;
}

}  // namespace

ParseOutcome parseCommandLine(const std::vector<std::string>& args,
                              const std::vector<CommandSyntax>& commands) {
    ParseOutcome outcome;
    const app::CommandLine program = programOptions(args);
    if (program.has("--help") || program.has("-h")) {
        outcome.help = true;
        return outcome;
    }
    if (program.has("--version")) {
        outcome.version = true;
        return outcome;
    }
    if (args.empty())
        return refuse("no command given (see --help)");

    const auto syntax = std::find_if(commands.begin(), commands.end(),
                                     [&](const CommandSyntax& c) { return c.name == args[0]; });
    if (syntax == commands.end())
        return refuse("unknown command '" + args[0] + "' (see --help)");

    const app::CommandLine line({args.begin() + 1, args.end()}, commandRules(*syntax));
    if (line.fault() != app::CommandLineFault::None)
        return refuse(refusal(line, *syntax));
    ParsedCommand command;
    command.name = syntax->name;
    command.flagOptions = syntax->flagOptions;
    command.syntax = &*syntax;
    for (const app::CommandLineWord& word : line.words()) {
        const std::string option = word.option.empty() ? "" : word.option.substr(2);
        if (option.empty())
            command.arguments.push_back(word.text);
        else if (std::find(syntax->flagOptions.begin(), syntax->flagOptions.end(), option) !=
                 syntax->flagOptions.end())
            command.flags.push_back(option);
        else
            command.values.emplace(option, word.text);
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
