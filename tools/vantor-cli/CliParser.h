#pragma once

// The command line of vantor-cli: a command word, its positional arguments and its options, and
// the table of commands that names each one once, with its handler.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantor::cli {

struct ParsedCommand;

struct CommandSyntax {
    std::string name;
    std::size_t minArguments = 0;
    std::size_t maxArguments = 0;
    std::vector<std::string> valueOptions;       // --port DEV (or --port=DEV)
    std::vector<std::string> flagOptions;        // --yes
    std::string usage;                           // one line: "serial [--port DEV]"
    std::string summary;                         // what it does
    int (*run)(const ParsedCommand&) = nullptr;  // the command itself: its exit status
};

struct ParsedCommand {
    std::string name;
    std::vector<std::string> arguments;
    std::multimap<std::string, std::string> values;  // an option given twice keeps both, in order
    std::vector<std::string> flags;
    std::vector<std::string> flagOptions;   // the flags this command takes, from its syntax
    const CommandSyntax* syntax = nullptr;  // its row of the table

    bool has(const std::string& flag) const;
    bool takes(const std::string& flag) const;
    // The option's value; the last one when it was given more than once.
    std::optional<std::string> value(const std::string& option) const;
    // Every value the option was given, in order.
    std::vector<std::string> allValues(const std::string& option) const;
};

struct ParseOutcome {
    std::optional<ParsedCommand> command;
    bool help = false;     // --help anywhere: the caller prints the usage
    bool version = false;  // --version
    std::string error;     // the one-line reason a command line was refused
};

ParseOutcome parseCommandLine(const std::vector<std::string>& args,
                              const std::vector<CommandSyntax>& commands);

// Decimal or 0x hexadecimal, as every number on the command line is written.
std::optional<unsigned long> parseCliNumber(const std::string& text);

}  // namespace vantor::cli
