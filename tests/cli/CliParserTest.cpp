// vantor-cli's command line: arguments, value options and flags, the one-line refusals, and numbers
// given in decimal or hexadecimal.

#include <gtest/gtest.h>

#include "CliParser.h"

using namespace vantor::cli;

namespace {

const std::vector<CommandSyntax> kSyntax = {
    {"serial", 0, 0, {"port"}, {}, "serial [--port DEV]", ""},
    {"read", 1, 2, {"port"}, {}, "read ADDRESS [LENGTH] [--port DEV]", ""},
    {"zones", 1, 1, {"port"}, {"yes"}, "zones CHART [--port DEV] [--yes]", ""},
};

ParseOutcome parse(std::vector<std::string> args) {
    return parseCommandLine(args, kSyntax);
}

}  // namespace

TEST(CliParser, ReadsArgumentsValueOptionsAndFlags) {
    const auto a = parse({"read", "0x0700", "--port", "/dev/pts/3", "16"});
    ASSERT_TRUE(a.command) << a.error;
    EXPECT_EQ(a.command->arguments, (std::vector<std::string>{"0x0700", "16"}));
    EXPECT_EQ(a.command->value("port"), "/dev/pts/3");

    const auto b = parse({"zones", "--port=/dev/ttyUSB0", "chart.txt", "--yes"});
    ASSERT_TRUE(b.command) << b.error;
    EXPECT_TRUE(b.command->has("yes"));
    EXPECT_EQ(b.command->value("port"), "/dev/ttyUSB0");
    EXPECT_FALSE(b.command->value("missing"));

    // An option given more than once keeps every value in order (several scales at once).
    const auto c = parse({"serial", "--port", "/dev/a", "--port=/dev/b", "--port", "/dev/c"});
    ASSERT_TRUE(c.command) << c.error;
    EXPECT_EQ(c.command->allValues("port"), (std::vector<std::string>{"/dev/a", "/dev/b", "/dev/c"}));
    EXPECT_EQ(c.command->value("port"), "/dev/c");
}

TEST(CliParser, RefusesWithOneClearLine) {
    EXPECT_EQ(parse({}).error, "no command given (see --help)");
    EXPECT_EQ(parse({"flash-everything"}).error, "unknown command 'flash-everything' (see --help)");
    EXPECT_EQ(parse({"serial", "--port"}).error, "--port needs a value");
    EXPECT_EQ(parse({"serial", "--port", "--yes"}).error, "--port needs a value");
    EXPECT_EQ(parse({"serial", "--force"}).error, "unknown option '--force' for serial");
    EXPECT_EQ(parse({"serial", "--yes"}).error, "unknown option '--yes' for serial");
    EXPECT_EQ(parse({"read"}).error, "usage: vantor-cli read ADDRESS [LENGTH] [--port DEV]");
    EXPECT_EQ(parse({"read", "1", "2", "3"}).error, "usage: vantor-cli read ADDRESS [LENGTH] [--port DEV]");
}

TEST(CliParser, HelpAndVersionWinOverEverythingElse) {
    EXPECT_TRUE(parse({"read", "--help"}).help);
    EXPECT_TRUE(parse({"bogus", "-h"}).help);
    EXPECT_TRUE(parse({"--version"}).version);
}

TEST(CliNumber, DecimalOrHexadecimal) {
    EXPECT_EQ(parseCliNumber("1792"), 1792u);
    EXPECT_EQ(parseCliNumber("0x0700"), 0x700u);
    EXPECT_EQ(parseCliNumber("0XfF"), 255u);
    for (const char* bad : {"", "0x", "12a", "-1", " 5", "0x-5", "99999999999999999999999"})
        EXPECT_FALSE(parseCliNumber(bad)) << bad;
}
