// The one command-line reading of the program and its tools: values in both spellings, what counts
// as an option, a value forgotten, and the first fault with the words before it.

#include <gtest/gtest.h>

#include "core/app/CommandLine.h"

using vantor::app::CommandLine;
using vantor::app::CommandLineFault;
using vantor::app::CommandLineRules;

namespace {

const CommandLineRules kRules = {{{"--port", true}, {"--yes"}, {"-h"}}};

std::vector<std::string> optionsOf(const CommandLine& line) {
    std::vector<std::string> names;
    for (const auto& word : line.words())
        names.push_back(word.option.empty() ? "(" + word.text + ")" : word.option + "=" + word.text);
    return names;
}

}  // namespace

TEST(CommandLine, ReadsValuesFlagsAndArgumentsInTheOrderGiven) {
    const CommandLine line({"a.hex", "--port", "/dev/a", "--yes", "--port=/dev/b", "-h", "-5", "-", "--"},
                           kRules);
    EXPECT_EQ(line.fault(), CommandLineFault::None);
    EXPECT_EQ(optionsOf(line), (std::vector<std::string>{"(a.hex)", "--port=/dev/a", "--yes=",
                                                         "--port=/dev/b", "-h=", "(-5)", "(-)", "(--)"}));
    EXPECT_EQ(line.values("--port"), (std::vector<std::string>{"/dev/a", "/dev/b"}));
    EXPECT_EQ(line.arguments(), (std::vector<std::string>{"a.hex", "-5", "-", "--"}));
    EXPECT_EQ(line.wordsBeforeFault(), line.words().size());
}

TEST(CommandLine, AValueThatLooksLikeAnOptionIsAValueForgottenUnlessTheRulesAllowIt) {
    const CommandLine forgotten({"--port", "--yes"}, kRules);
    EXPECT_EQ(forgotten.fault(), CommandLineFault::MissingValue);
    EXPECT_EQ(forgotten.faultOption(), "--port");
    EXPECT_TRUE(forgotten.has("--yes")) << "the word after a forgotten value is still read";

    CommandLineRules dashes = kRules;
    dashes.valueMayStartWithDashes = true;
    EXPECT_EQ(CommandLine({"--port", "--yes"}, dashes).values("--port"), std::vector<std::string>{"--yes"});
    EXPECT_EQ(CommandLine({"--port"}, dashes).fault(), CommandLineFault::MissingValue);
}

TEST(CommandLine, TheFirstFaultIsKeptWithTheWordsBeforeIt) {
    const CommandLine line({"--port", "x", "--force=1", "--yes=no"}, kRules);
    EXPECT_EQ(line.fault(), CommandLineFault::UnknownOption);
    EXPECT_EQ(line.faultWord(), "--force=1");
    EXPECT_EQ(line.faultOption(), "--force");
    EXPECT_EQ(line.wordsBeforeFault(), 1u);

    const CommandLine unwanted({"--yes=no"}, kRules);
    EXPECT_EQ(unwanted.fault(), CommandLineFault::UnwantedValue);
    EXPECT_EQ(unwanted.faultWord(), "--yes=no");
}

TEST(CommandLine, UnknownOptionsCanBePassedOnAsGiven) {
    CommandLineRules passOn = kRules;
    passOn.passOnUnknownOptions = true;
    const CommandLine line({"-platform", "offscreen", "--style=fusion", "--yes=no", "-h"}, passOn);
    EXPECT_EQ(line.fault(), CommandLineFault::None);
    EXPECT_EQ(line.arguments(),
              (std::vector<std::string>{"-platform", "offscreen", "--style=fusion", "--yes=no"}));
    EXPECT_TRUE(line.has("-h"));
}
