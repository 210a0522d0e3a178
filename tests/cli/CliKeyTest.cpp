// vantor-cli key run as a user runs it, against the simulator: the block in the scale's memory
// afterwards, and the refusals with nothing written.

#include <gtest/gtest.h>

#include <QFile>

#include "core/keys/KeyBlock.h"
#include "support/CliScaleFixture.h"
#include "support/SimulatorProcess.h"

using namespace vantor;
using vantor::test::CliInput;
using vantor::test::CliRun;
using vantor::test::CliScaleFixture;
using vantor::test::SimulatorProcess;

namespace {

class CliKey : public CliScaleFixture {
protected:
    // Never a terminal nor a pipe to answer from: the tool must not wait for input.
    CliRun cli(const QStringList& arguments) { return CliScaleFixture::cli(arguments, {}, CliInput::Null); }

    QString table(const char* content) {
        return write(QStringLiteral("table%1.csv").arg(++m_tables), content);
    }

    int m_tables = 0;
};

}  // namespace

TEST_F(CliKey, WritesTheBlockOfTheKeyAndNothingElse) {
    SimulatorProcess simulator({"--serial", "24681357", "--memory", memoryFile()});
    const QString csv = table("# postage for key 6\n16,$2.50\n\n30,2.75\r\n192,\"$1,234.56\"\n");
    // The quoted rate is no number: refused, with the editor's text, nothing written.
    const CliRun refused = cli({"key", "6", "--unit", "oz", "--table", csv, "--port",
                                QString::fromStdString(simulator.devicePath()), "--yes"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("line 5: Please check your data. Enter only numeric values."))
        << refused.err.toStdString();

    const QString good = table("# postage for key 6\n16,$2.50\n\n30,2.75\r\n192,$1,234.56\n");
    const CliRun run = cli({"key", "6", "--unit", "oz", "--table", good, "--port",
                            QString::fromStdString(simulator.devicePath()), "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Key 6 of scale 24681357")) << run.out.toStdString();
    ASSERT_EQ(simulator.stop(), 0);

    Bytes expected(640, 0);
    const std::vector<std::pair<std::size_t, Bytes>> fields = {
        {0, {0x01, 0xC6}},           // 16 oz: 454 g
        {2, {0x03, 0x52}},           // 30 oz: 850 g (850.5 to even)
        {4, {0x15, 0x43}},           // 192 oz: 5443 g
        {256, {0x00, 0x00, 0xFA}},   // $2.50
        {259, {0x00, 0x01, 0x13}},   // $2.75
        {262, {0x01, 0xE2, 0x40}}};  // $1,234.56
    for (const auto& [offset, bytes] : fields)
        std::copy(bytes.begin(), bytes.end(), expected.begin() + offset);

    ASSERT_EQ(memory().size(), 65536u);
    EXPECT_EQ(memory(keys::keyBlockStart(6), 640), expected);
    EXPECT_EQ(memory(0x8300, 0x8F80 - 0x8300), Bytes(0x8F80 - 0x8300, 0xFF));
}

TEST_F(CliKey, QuestionsWithoutATerminalAreAnsweredNo) {
    SimulatorProcess simulator({"--memory", memoryFile()});
    const QString device = QString::fromStdString(simulator.devicePath());
    // A lower rate needs a Yes.
    const CliRun lower = cli({"key", "1", "--unit", "lb", "--table", table("1,2\n2,1\n"), "--port", device});
    EXPECT_EQ(lower.exitCode, 1);
    EXPECT_TRUE(lower.err.contains("? Answered No: no terminal (use --yes).\n")) << lower.err.toStdString();
    // So does the final confirmation, asked on one line.
    const CliRun confirm =
        cli({"key", "1", "--unit", "lb", "--table", table("1,2\n2,3\n"), "--port", device});
    EXPECT_EQ(confirm.exitCode, 1);
    EXPECT_TRUE(
        confirm.err.contains("You are going to program weight and rates for blank key number 1. Are you "
                             "sure you want to continue? Answered No: no terminal (use --yes).\n"))
        << confirm.err.toStdString();
    ASSERT_EQ(simulator.stop(), 0);
    EXPECT_EQ(memory(0x8300, 640), Bytes(640, 0xFF));
}

// The editor's rules and words are the core's; here each refusal names its line, the first one in
// the editor's words.
TEST_F(CliKey, RefusesBadArgumentsAndTablesWithTheEditorsWords) {
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"key", "7", "--unit", "oz", "--table", table("1,1\n")},
         "KEY must be a blank key number from 1 to 6"},
        {{"key", "1", "--unit", "kg", "--table", table("1,1\n")}, "--unit oz, lb or g"},
        {{"key", "1", "--unit", "oz"}, "--table"},
        {{"key", "1", "--unit", "oz", "--table", path("missing.csv")}, "Cannot read the table"},
        {{"key", "1", "--unit", "oz", "--table", table("")}, "The table has no ranges."},
        {{"key", "1", "--unit", "oz", "--table", table("12\n")}, "line 1: expected \"max weight,rate\"."},
        {{"key", "1", "--unit", "oz", "--table", table("193,1\n")},
         "line 1: You have reached maximum weight allowed for Vantor scale."},
        {{"key", "1", "--unit", "lb", "--table", table("1,10000\n")}, "line 1: "},
        {{"key", "1", "--unit", "g", "--table", table("10,0\n")}, "line 1: "},
        {{"key", "1", "--unit", "g", "--table", table("10,-1\n")}, "line 1: "},
        {{"key", "1", "--unit", "g", "--table", table("10,1\n10,2\n")}, "line 2: "},
        {{"key", "1", "--unit", "oz", "--table", table("3.5,1\n")}, "line 1: "},
        {{"key", "1", "--unit", "g", "--table", table("99999,1\n")}, "line 1: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1);
    }
}

// A failure is one line naming the port, the describe() sentence, and exit status 1.
TEST_F(CliKey, AFailedCheckOrWriteIsOneLineOnStderr) {
    {
        SimulatorProcess simulator({"--memory", memoryFile(), "--fault", "refuse:write:addr=0x8400"});
        const QString device = QString::fromStdString(simulator.devicePath());
        const CliRun run =
            cli({"key", "1", "--unit", "oz", "--table", table("16,2.50\n"), "--port", device, "--yes"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(
            run.err.endsWith("Pages written: 2/5\nThe scale on " + device +
                             ": The scale refused the write for page 8400; 2 of 5 pages were written.\n"))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        ASSERT_EQ(simulator.stop(), 0);
        EXPECT_EQ(memory(0x8400, 128), Bytes(128, 0xFF));
    }
    SimulatorProcess refusing({"--fault", "refuse:unlock"});
    const QString device = QString::fromStdString(refusing.devicePath());
    const CliRun run =
        cli({"key", "1", "--unit", "oz", "--table", table("16,2.50\n"), "--port", device, "--yes"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("The scale on " + device + ": ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith(" Nothing was written.\n")) << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1);
}
