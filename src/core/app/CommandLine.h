#pragma once

// The one reading of a command line for vantor-pc and the tools: which words are options, which
// option takes a value and where that value stands. What a value means, and the words a refusal
// is said in, stay each program's own.

#include <string>
#include <vector>

namespace vantor::app {

struct OptionRule {
    std::string name;  // as written: "--port", "-h"
    bool takesValue = false;
};

struct CommandLineRules {
    std::vector<OptionRule> options;
    // "--port --yes": the value "--yes" (true), or a value forgotten (false).
    bool valueMayStartWithDashes = false;
    // A word that looks like an option but names none of these is passed on as an argument (Qt
    // takes its own from vantor-pc's command line) instead of refused.
    bool passOnUnknownOptions = false;
};

struct CommandLineWord {
    std::string option;  // the option's name; empty for an argument
    std::string text;    // the option's value ("" for a flag), or the argument as given
};

enum class CommandLineFault { None, UnknownOption, MissingValue, UnwantedValue };

class CommandLine {
public:
    CommandLine(const std::vector<std::string>& args, const CommandLineRules& rules);

    // Every word in the order given; one at fault is left out and the rest still read.
    const std::vector<CommandLineWord>& words() const { return m_words; }
    // The first fault, and how many words came before it: a program that checks its values one by
    // one meets them in the order the line gives them.
    CommandLineFault fault() const { return m_fault; }
    std::size_t wordsBeforeFault() const;
    // The word at fault as given ("--yes=1"), and the option it names ("--yes").
    const std::string& faultWord() const { return m_faultWord; }
    const std::string& faultOption() const { return m_faultOption; }

    bool has(const std::string& option) const;
    // The values an option was given, in order.
    std::vector<std::string> values(const std::string& option) const;
    // The arguments, and the options passed on, as given.
    std::vector<std::string> arguments() const;

private:
    void read(const std::vector<std::string>& args, const CommandLineRules& rules);
    void refuse(CommandLineFault fault, const std::string& word, const std::string& option);

    std::vector<CommandLineWord> m_words;
    CommandLineFault m_fault = CommandLineFault::None;
    std::size_t m_wordsBeforeFault = 0;
    std::string m_faultWord;
    std::string m_faultOption;
};

}  // namespace vantor::app
