#include "core/app/CommandLine.h"

#include <algorithm>

namespace vantor::app {

namespace {

const OptionRule* findRule(const CommandLineRules& rules, const std::string& name) {
    const auto rule = std::find_if(rules.options.begin(), rules.options.end(),
                                   [&](const OptionRule& r) { return r.name == name; });
    return rule == rules.options.end() ? nullptr : &*rule;
}

// "--name" and "--name=value" are options; "-h" only when it is one of ours, so that "-5" or "-"
// stays an argument; "--" alone is an argument too.
bool looksLikeOption(const std::string& word, const CommandLineRules& rules) {
    return (word.size() > 2 && word.starts_with("--")) || findRule(rules, word) != nullptr;
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& args, const CommandLineRules& rules) {
    read(args, rules);
}

void CommandLine::read(const std::vector<std::string>& args, const CommandLineRules& rules) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!looksLikeOption(word, rules)) {
            m_words.push_back({"", word});
            continue;
        }
        const std::size_t eq = word.find('=');
        const std::string name = word.substr(0, eq);
        const OptionRule* rule = findRule(rules, name);
        const bool valueGiven = eq != std::string::npos;
        if (!rule || (valueGiven && !rule->takesValue)) {
            if (rules.passOnUnknownOptions)
                m_words.push_back({"", word});
            else
                refuse(rule ? CommandLineFault::UnwantedValue : CommandLineFault::UnknownOption, word, name);
        } else if (valueGiven) {
            m_words.push_back({name, word.substr(eq + 1)});
        } else if (!rule->takesValue) {
            m_words.push_back({name, ""});
        } else if (i + 1 < args.size() && (rules.valueMayStartWithDashes || !args[i + 1].starts_with("--"))) {
            m_words.push_back({name, args[++i]});
        } else {
            refuse(CommandLineFault::MissingValue, word, name);
        }
    }
}

void CommandLine::refuse(CommandLineFault fault, const std::string& word, const std::string& option) {
    if (m_fault != CommandLineFault::None)
        return;
    m_fault = fault;
    m_wordsBeforeFault = m_words.size();
    m_faultWord = word;
    m_faultOption = option;
}

std::size_t CommandLine::wordsBeforeFault() const {
    return m_fault == CommandLineFault::None ? m_words.size() : m_wordsBeforeFault;
}

bool CommandLine::has(const std::string& option) const {
    return std::any_of(m_words.begin(), m_words.end(),
                       [&](const CommandLineWord& w) { return w.option == option; });
}

std::vector<std::string> CommandLine::values(const std::string& option) const {
    std::vector<std::string> given;
    for (const CommandLineWord& word : m_words)
        if (word.option == option)
            given.push_back(word.text);
    return given;
}

std::vector<std::string> CommandLine::arguments() const {
    return values("");
}

}  // namespace vantor::app
