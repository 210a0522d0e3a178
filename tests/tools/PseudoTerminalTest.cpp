// The pseudo-terminal as a serial cable: what the client sees when it closes and reopens the
// device, when nobody answers, and when the line is hung up.

#include "PseudoTerminal.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "SerialClient.h"

namespace vantor::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What the client sent, as the master sees it; waits at most a second.
Bytes readMaster(const PseudoTerminal& line, std::size_t count) {
    Bytes bytes;
    const auto deadline = Clock::now() + 1s;
    while (bytes.size() < count && Clock::now() < deadline) {
        pollfd fd{line.masterFd(), POLLIN, 0};
        if (::poll(&fd, 1, 100) <= 0)
            continue;
        Byte buffer[256];
        const ssize_t n = ::read(line.masterFd(), buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

TEST(PseudoTerminalTest, CarriesBytesBothWaysAcrossAClientsCloseAndReopen) {
    PseudoTerminal line;
    auto client = test::openSerialClient(line.devicePath());
    ASSERT_TRUE(client->isOpen());
    ASSERT_TRUE(client->send(Bytes{0xB4, 0x07, 0x00}));
    EXPECT_EQ(readMaster(line, 3), (Bytes{0xB4, 0x07, 0x00}));

    // Detection closes every port it probed; the master must not be left reporting hang-up.
    client->close();
    pollfd fd{line.masterFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&fd, 1, 0), 0);
    Byte byte = 0;
    EXPECT_EQ(::read(line.masterFd(), &byte, 1), -1);
    EXPECT_EQ(errno, EAGAIN);

    ASSERT_FALSE(client->open().has_value());
    ASSERT_TRUE(client->send(Bytes{0x4B}));
    EXPECT_EQ(readMaster(line, 1), (Bytes{0x4B}));
    const Byte reply[] = {0xF0};
    ASSERT_EQ(::write(line.masterFd(), reply, 1), 1);
    ASSERT_TRUE(client->waitForBytes(1, 1s));
    EXPECT_EQ(client->readAvailable(), (Bytes{0xF0}));
}

TEST(PseudoTerminalTest, ASilentPortNeverEchoesTheClientsCommand) {
    PseudoTerminal line;
    auto client = test::openSerialClient(line.devicePath());
    ASSERT_TRUE(client->isOpen());
    ASSERT_TRUE(client->send(Bytes{0xB4, 0x07, 0x00}));
    EXPECT_FALSE(client->waitForBytes(1, 1s));
    EXPECT_EQ(readMaster(line, 3).size(), 3u);
}

// The device's number stays taken until the simulator ends: a new pseudo-terminal given it while
// the client is still closing would look held by the client's lock.
TEST(PseudoTerminalTest, HangingUpEndsTheClientsLineAtOnceButKeepsTheDevicesNumber) {
    PseudoTerminal line;
    auto client = test::openSerialClient(line.devicePath());
    ASSERT_TRUE(client->isOpen());

    line.hangUp();
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(line.masterFd(), -1);

    const auto start = Clock::now();
    EXPECT_FALSE(client->waitForBytes(1, 5s));
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_FALSE(client->send(Bytes{0xB4, 0x07, 0x00}));

    client->close();
    const PseudoTerminal next;
    EXPECT_NE(next.devicePath(), line.devicePath());
}

}  // namespace
}  // namespace vantor::sim
