// vantor-scale-sim as the program meets it: the executable on its pseudo-terminal, driven through
// the program's own SerialTransport.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "SerialClient.h"
#include "core/scale/SerialNumber.h"
#include "simulation/ScaleModel.h"
#include "support/SimulatorProcess.h"

namespace vantor::sim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::SimulatorProcess;

constexpr Byte kRefusal = scale::ScaleModel::kRefusal;

Bytes pageOf(Byte first) {
    Bytes page(scale::kPageSize);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<Byte>(first + i);
    return page;
}

// The reply to a page read of `address` holding `page`.
Bytes readReply(std::uint16_t address, const Bytes& page) {
    Bytes reply{scale::kReadPage, scale::addressHigh(address), scale::addressLow(address)};
    reply.insert(reply.end(), page.begin(), page.end());
    return reply;
}

Bytes freshPage(std::uint16_t address, const std::string& serial) {
    Bytes page(scale::kPageSize, 0xFF);
    if (address == scale::kSerialAddress) {
        const scale::SerialBytes packed = scale::packSerial(serial);
        std::copy(packed.begin(), packed.end(), page.begin());
    }
    return page;
}

Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class ScaleSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        m_folder = fs::temp_directory_path() / ("vantor-sim-test-" + std::to_string(random()));
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::unique_ptr<scale::SerialTransport> connect(const SimulatorProcess& simulator) {
        auto client = test::openSerialClient(simulator.devicePath());
        EXPECT_TRUE(client->isOpen()) << simulator.devicePath();
        return client;
    }

    static Bytes unlock(const std::string& serial) { return scale::unlockCommand(scale::packSerial(serial)); }

    fs::path m_folder;
};

// --- serial number, pages, locking ---------------------------------------------------------------

TEST_F(ScaleSimulatorTest, SerialReadReturnsTheGivenSerialOrTheDefault) {
    SimulatorProcess given({"--serial", "87654321"});
    auto client = connect(given);
    const scale::SerialRead read = scale::RdSN(*client);
    EXPECT_TRUE(read.scaleCom);
    EXPECT_EQ(read.serial, "87654321");

    SimulatorProcess plain;
    auto plainClient = connect(plain);
    EXPECT_EQ(scale::RdSN(*plainClient).serial, "12345678");
}

TEST_F(ScaleSimulatorTest, APageWrittenAfterTheUnlockIsStoredAndReadBack) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--serial", "24681357"}));
    auto client = connect(simulator);
    const Bytes page = pageOf(0x10);

    EXPECT_EQ(test::ask(*client, unlock("24681357"), 1), Bytes{scale::kAck});
    EXPECT_EQ(test::ask(*client, scale::writePageCommand(0x1280, page), 1), Bytes{scale::kAck});
    EXPECT_EQ(test::ask(*client, scale::readPageCommand(0x1280), scale::kReadReplySize),
              readReply(0x1280, page));
    // The neighbours are untouched.
    EXPECT_EQ(test::ask(*client, scale::readPageCommand(0x1300), scale::kReadReplySize),
              readReply(0x1300, Bytes(scale::kPageSize, 0xFF)));
}

TEST_F(ScaleSimulatorTest, WritesAreRefusedWithoutTheRightUnlockAndAfterTheFinish) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--serial", "24681357"}));
    auto client = connect(simulator);
    const auto writePage = [&] { return test::ask(*client, scale::writePageCommand(0x0400, pageOf(1)), 1); };

    EXPECT_EQ(writePage(), Bytes{kRefusal});
    EXPECT_EQ(test::ask(*client, unlock("24681358"), 1), Bytes{kRefusal});
    EXPECT_EQ(writePage(), Bytes{kRefusal});

    EXPECT_EQ(test::ask(*client, unlock("24681357"), 1), Bytes{scale::kAck});
    ASSERT_TRUE(client->send(scale::finishCommand()));
    EXPECT_EQ(writePage(), Bytes{kRefusal});
    EXPECT_EQ(test::ask(*client, scale::readPageCommand(0x0400), scale::kReadReplySize),
              readReply(0x0400, Bytes(scale::kPageSize, 0xFF)));
}

// --- the memory file ------------------------------------------------------------------------------

TEST_F(ScaleSimulatorTest, TheMemoryFileHoldsTheWritesAndIsTheNextRunsMemory) {
    const fs::path file = m_folder / "scale.bin";
    const Bytes page = pageOf(0xA0);
    {
        SimulatorProcess simulator(
            SimulatorProcess::plainAnswers({"--serial", "11223344", "--memory", file.string()}));
        auto client = connect(simulator);
        ASSERT_EQ(test::ask(*client, unlock("11223344"), 1), Bytes{scale::kAck});
        ASSERT_EQ(test::ask(*client, scale::writePageCommand(0xFF80, page), 1), Bytes{scale::kAck});
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(simulator.stop(), 0);
    }
    Bytes expected(scale::kMemorySize, 0xFF);
    const Bytes serial{0x11, 0x22, 0x33, 0x44};
    std::copy(serial.begin(), serial.end(), expected.begin() + scale::kSerialAddress);
    std::copy(page.begin(), page.end(), expected.begin() + 0xFF80);
    EXPECT_EQ(fileBytes(file), expected);
    // Written whole and renamed into place: no temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);

    // The file is the scale now: its serial number holds even against --serial.
    SimulatorProcess again(
        SimulatorProcess::plainAnswers({"--serial", "99999999", "--memory", file.string()}));
    auto client = connect(again);
    EXPECT_EQ(scale::RdSN(*client).serial, "11223344");
    EXPECT_EQ(test::ask(*client, scale::readPageCommand(0xFF80), scale::kReadReplySize),
              readReply(0xFF80, page));
}

TEST_F(ScaleSimulatorTest, AMemoryFileOfTheWrongSizeIsRefusedAndLeftAlone) {
    const fs::path file = m_folder / "short.bin";
    const Bytes contents(1000, 0x33);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(contents.data()), 1000);

    const SimulatorProcess::Outcome outcome = SimulatorProcess::run({"--memory", file.string()});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("65536"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("1000"), std::string::npos) << outcome.err;
    EXPECT_EQ(fileBytes(file), contents);
}

TEST_F(ScaleSimulatorTest, AMemoryFileInAMissingFolderIsRefusedBeforeServing) {
    const SimulatorProcess::Outcome outcome =
        SimulatorProcess::run({"--memory", (m_folder / "missing" / "scale.bin").string()});
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("does not exist"), std::string::npos) << outcome.err;
}

// --- the command line -----------------------------------------------------------------------------

TEST_F(ScaleSimulatorTest, BadOptionsEndWithStatusTwoAndOneClearLine) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--serial", "1234567"}, "vantor-scale-sim: --serial needs exactly 8 digits, got '1234567'\n"},
        {{"--serial", "1234567X"}, "vantor-scale-sim: --serial needs exactly 8 digits, got '1234567X'\n"},
        {{"--serial"}, "vantor-scale-sim: --serial needs a value\n"},
        {{"--fault", "drop:read"}, "vantor-scale-sim: --fault 'drop:read': unknown fault action 'drop'\n"},
        {{"--fault", "delay:read"}, "vantor-scale-sim: --fault 'delay:read': delay needs ms=M\n"},
        {{"--fault", "lose:read:nth=x"},
         "vantor-scale-sim: --fault 'lose:read:nth=x': 'nth=x' needs a number\n"},
        {{"--wire-timing=yes"}, "vantor-scale-sim: --wire-timing takes no value\n"},
        {{"--port", "COM1"}, "vantor-scale-sim: unknown option '--port' (see --help)\n"},
        {{"--byte-zero", "B4B4"},
         "vantor-scale-sim: --byte-zero takes echo, random or a byte in hexadecimal, got 'B4B4'\n"},
        {{"--tails", "-1"},
         "vantor-scale-sim: --tails takes N, one reply in N (0 for none, 1 for all), got '-1'\n"},
        {{"--vary=1"}, "vantor-scale-sim: --vary takes no value\n"},
    };
    for (const Case& c : cases) {
        const SimulatorProcess::Outcome outcome = SimulatorProcess::run(c.arguments);
        EXPECT_EQ(outcome.exitStatus, 2) << c.arguments[0];
        EXPECT_EQ(outcome.out, "") << c.arguments[0];
        EXPECT_EQ(outcome.err, c.message);
    }
}

TEST_F(ScaleSimulatorTest, HelpExplainsEveryOptionAndTheFaultSyntax) {
    const SimulatorProcess::Outcome outcome = SimulatorProcess::run({"--help"});
    EXPECT_EQ(outcome.exitStatus, 0);
    for (const char* word : {"--serial",
                             "--memory",
                             "--wire-timing",
                             "--fault",
                             "--verbose",
                             "--version",
                             "--byte-zero",
                             "--tails",
                             "--answer-finish",
                             "--pieces",
                             "--vary",
                             "--seed",
                             "ACTION:COMMAND",
                             "lose",
                             "refuse",
                             "corrupt",
                             "echo",
                             "short",
                             "long",
                             "delay",
                             "hangup",
                             "nth=",
                             "addr=",
                             "count=",
                             "ms="}) {
        EXPECT_NE(outcome.out.find(word), std::string::npos) << word;
    }
}

// --- faults ---------------------------------------------------------------------------------------

TEST_F(ScaleSimulatorTest, ALostReadIsNeverAnsweredAndTheNextOneIs) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--fault", "lose:read:nth=1"}));
    auto client = connect(simulator);
    EXPECT_FALSE(test::ask(*client, scale::readPageCommand(scale::kSerialAddress), 1));
    const scale::SerialRead second = scale::RdSN(*client);
    EXPECT_TRUE(second.scaleCom);
    EXPECT_EQ(second.serial, "12345678");
}

TEST_F(ScaleSimulatorTest, ADelayedReplyComesLateButWhole) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--fault", "delay:read:ms=300:nth=1"}));
    auto client = connect(simulator);
    const auto start = Clock::now();
    ASSERT_TRUE(client->send(scale::readPageCommand(scale::kSerialAddress)));
    EXPECT_FALSE(client->waitForBytes(1, 0s));
    ASSERT_TRUE(client->waitForBytes(scale::kReadReplySize, 1s));
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_EQ(client->readAvailable(),
              readReply(scale::kSerialAddress, freshPage(scale::kSerialAddress, "12345678")));
}

TEST_F(ScaleSimulatorTest, AHangUpEndsTheExchangeAtOnceAndTheLineStaysDead) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--fault", "hangup:read:nth=2"}));
    auto client = connect(simulator);
    EXPECT_EQ(scale::RdSN(*client).serial, "12345678");

    const auto start = Clock::now();
    const scale::SerialRead second = scale::RdSN(*client);
    EXPECT_LT(Clock::now() - start, 2s);  // the time limit is 10 s
    EXPECT_FALSE(second.scaleCom);
    EXPECT_EQ(second.serial, "");
    EXPECT_FALSE(client->send(scale::readPageCommand(scale::kSerialAddress)));
    // The simulator still ends cleanly.
    EXPECT_EQ(simulator.stop(), 0);
}

TEST_F(ScaleSimulatorTest, ReplyFaultsShowInTheReplyBytes) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers(
        {"--fault", "long:read:nth=1", "--fault", "short:read:nth=2", "--fault", "echo:read:nth=3", "--fault",
         "corrupt:read:nth=4", "--fault=refuse:unlock:nth=1", "--fault", "corrupt:unlock:nth=2"}));
    auto client = connect(simulator);
    const Bytes good = readReply(scale::kSerialAddress, freshPage(scale::kSerialAddress, "12345678"));
    Bytes extra;
    const auto nextReply = [&](std::size_t size) {
        if (!client->send(scale::readPageCommand(scale::kSerialAddress)))
            return Bytes{};
        return test::readExactly(*client, size, extra).value_or(Bytes{});
    };

    Bytes overlong = good;
    overlong.insert(overlong.end(), {0x55, 0x55, 0x55, 0x55});
    EXPECT_EQ(nextReply(good.size() + 4), overlong);
    EXPECT_EQ(nextReply(good.size() - 1), Bytes(good.begin(), good.end() - 1));
    Bytes wrongEcho = good;
    wrongEcho[2] ^= 0x80;
    EXPECT_EQ(nextReply(good.size()), wrongEcho);
    Bytes corrupted = good;
    corrupted[3] ^= 0xFF;
    EXPECT_EQ(nextReply(good.size()), corrupted);
    // Back to normal, and no byte of the faulty replies is left over in the stream.
    EXPECT_EQ(nextReply(good.size()), good);
    EXPECT_TRUE(extra.empty());

    EXPECT_EQ(test::ask(*client, unlock("12345678"), 1), Bytes{kRefusal});
    EXPECT_EQ(test::ask(*client, unlock("12345678"), 1), Bytes{static_cast<Byte>(scale::kAck ^ 0xFF)});
    EXPECT_EQ(test::ask(*client, unlock("12345678"), 1), Bytes{scale::kAck});
}

// What the protocol leaves open, on the line as a client meets it.
TEST_F(ScaleSimulatorTest, TheVariationsShowOnTheLine) {
    SimulatorProcess tailed({"--byte-zero", "F0", "--tails", "1", "--pieces", "1"});
    auto client = connect(tailed);
    ASSERT_TRUE(client->send(scale::readPageCommand(scale::kSerialAddress)));
    Bytes extra;
    const auto reply =
        test::readExactly(*client, scale::kReadReplySize + 1, extra);  // one tail byte at least
    ASSERT_TRUE(reply);
    Bytes expected = readReply(scale::kSerialAddress, freshPage(scale::kSerialAddress, "12345678"));
    expected[0] = 0xF0;
    EXPECT_EQ(Bytes(reply->begin(), reply->begin() + scale::kReadReplySize), expected);

    SimulatorProcess answering({"--answer-finish", "1", "--tails", "0"});
    auto other = connect(answering);
    EXPECT_EQ(test::ask(*other, scale::finishCommand(), 1), Bytes{scale::kAck});
}

// --- wire timing ----------------------------------------------------------------------------------

TEST_F(ScaleSimulatorTest, WireTimingTakesTheLineTimeOfCommandAndReply) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--wire-timing"}));
    auto client = connect(simulator);
    // 3 command bytes and 131 reply bytes at 1,920 bytes a second.
    const auto lineTime = std::chrono::microseconds((3 + 131) * 1'000'000 / 1920);
    auto fastest = Clock::duration::max();
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        EXPECT_EQ(scale::RdSN(*client).serial, "12345678");
        const auto taken = Clock::now() - start;
        EXPECT_GE(taken, lineTime);
        fastest = std::min(fastest, taken);
    }
    EXPECT_LE(fastest, 3 * lineTime);
}

TEST_F(ScaleSimulatorTest, WireTimingSendsRepliesOneAfterTheOther) {
    SimulatorProcess simulator(SimulatorProcess::plainAnswers({"--wire-timing"}));
    auto client = connect(simulator);
    Bytes twoReads = scale::readPageCommand(0x0000);
    const Bytes second = scale::readPageCommand(0x0080);
    twoReads.insert(twoReads.end(), second.begin(), second.end());

    const auto start = Clock::now();
    ASSERT_TRUE(client->send(twoReads));
    Bytes extra;
    const auto replies = test::readExactly(*client, 2 * scale::kReadReplySize, extra);
    const auto taken = Clock::now() - start;
    ASSERT_TRUE(replies);
    EXPECT_EQ((*replies)[scale::kReadReplySize + 2], 0x80);
    // The second command comes in while the first reply goes out, but the second reply waits for
    // the line: the first command's 3 bytes, then both replies.
    EXPECT_GE(taken, std::chrono::microseconds((3 + 2 * 131) * 1'000'000 / 1920));
}

}  // namespace
}  // namespace vantor::sim
