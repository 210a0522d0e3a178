// The serial link as a run meets it on a real pseudo-terminal: what an earlier run left on the line,
// and one scale reached under two names.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "core/scale/PageWrite.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/ScaleProtocol.h"
#include "core/scale/SerialNumber.h"
#include "platform/scale/DeviceLock.h"
#include "platform/scale/SerialTransport.h"
#include "support/ChildProcess.h"
#include "support/CoreApplication.h"
#include "support/ScaleMemory.h"
#include "support/SimulatorProcess.h"

using namespace std::chrono_literals;
using namespace vantor;
using namespace vantor::scale;
using test::SimulatorProcess;

namespace {

class SerialLinkIntegration : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    static std::unique_ptr<SerialTransport> opened(const std::string& device) {
        auto transport = std::make_unique<SerialTransport>();
        transport->setPortName(QString::fromStdString(device));
        EXPECT_FALSE(transport->open().has_value()) << device;
        return transport;
    }
};

}  // namespace

// A run stopped with Ctrl+C leaves the reply to its last command coming down the line.
TEST_F(SerialLinkIntegration, ARunCutShortIsNotAnsweredIntoTheNextRun) {
    SimulatorProcess scale({"--serial", "12345678", "--wire-timing"});
    auto cutShort = opened(scale.devicePath());
    ASSERT_TRUE(handOver(*cutShort, readPageCommand(0x8000)));
    ASSERT_TRUE(cutShort->waitForBytes(1, 2s));  // the reply (68 ms on the wire) has begun
    cutShort->close();

    auto next = opened(scale.devicePath());
    EXPECT_EQ(RdSN(*next).serial, "12345678");
}

// A scale may fill whatever the protocol leaves open: byte 0 of a page read, bytes after any reply,
// an answer to Finish, replies in pieces. Pages are written, checked and read all the same.
TEST_F(SerialLinkIntegration, AScaleThatFillsEverythingLeftOpenIsServed) {
    SimulatorProcess scale({"--serial", "12345678", "--byte-zero", "F0", "--tails", "1", "--answer-finish",
                            "1", "--pieces", "3"});
    auto link = opened(scale.devicePath());
    std::vector<PageToWrite> pages;
    for (std::uint16_t address : {0x8000, 0x8080, 0x8500})
        pages.push_back({address, Bytes(kPageSize, static_cast<Byte>(address >> 7))});
    const std::atomic<bool> goOn{false};
    ASSERT_TRUE(WritePages(*link, pages, packSerial("12345678"), {}, goOn).succeeded());

    EXPECT_TRUE(CheckKeyProgrammed(*link, 0x8500, packSerial("12345678")).programmed);
    EXPECT_FALSE(CheckKeyProgrammed(*link, 0x8580, packSerial("12345678")).programmed);
    const PagesRead read = ReadPages(*link, 0x8000, 2, {}, goOn, [](std::uint32_t) { return true; });
    ASSERT_TRUE(read.result.succeeded()) << describe(read.result);
    Bytes expected = pages[0].bytes;
    expected.insert(expected.end(), pages[1].bytes.begin(), pages[1].bytes.end());
    EXPECT_EQ(read.bytes, expected);
    EXPECT_EQ(RdSN(*link).serial, "12345678");
}

// A reply that starts just before the 4 s limit ends after it; the pages' data repeat their own
// address, so a reply shifted by the late one's tail would still seem to fit. Nothing in a reply
// tells it from that tail: the line is let go quiet before the page is asked again.
TEST_F(SerialLinkIntegration, AReplyLateByAFewBytesDoesNotShiftThePagesAfterIt) {
    QTemporaryDir folder;
    const std::string memory = folder.filePath(QStringLiteral("scale.bin")).toStdString();
    Bytes pages;
    for (std::size_t i = 0; i < 2 * kPageSize; i += 2)
        pages.insert(pages.end(), {0x91, static_cast<Byte>(i < kPageSize ? 0x00 : 0x80)});
    test::writeFreshScaleMemory(memory, "12345678", 0x9100, pages);
    SimulatorProcess scale(
        {"--memory", memory, "--wire-timing", "--fault", "delay:read:addr=0x9100:ms=3990:nth=1"});
    auto link = opened(scale.devicePath());
    const std::atomic<bool> goOn{false};
    const PagesRead read = ReadPages(*link, 0x9100, 2, {}, goOn);
    ASSERT_TRUE(read.result.succeeded()) << describe(read.result);
    EXPECT_EQ(read.bytes, pages);
}

TEST_F(SerialLinkIntegration, ADeviceIsHeldByOneRunUnderEveryName) {
    SimulatorProcess scale({"--serial", "12345678"});
    SimulatorProcess other({"--serial", "87654321"});
    QTemporaryDir folder;
    const std::string link = folder.filePath(QStringLiteral("scale")).toStdString();
    ASSERT_TRUE(QFile::link(QString::fromStdString(scale.devicePath()), QString::fromStdString(link)));

    EXPECT_EQ(repeatedDevice({scale.devicePath(), other.devicePath(), link}),
              std::pair(scale.devicePath(), link));
    EXPECT_EQ(repeatedDevice({scale.devicePath(), other.devicePath()}), std::nullopt);

    auto first = opened(scale.devicePath());
    SerialTransport second;
    second.setPortName(QString::fromStdString(link));
    const auto refused = second.open();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->problem, PortProblem::Busy);
    EXPECT_EQ(refused->detail, kDeviceHeld);
    EXPECT_EQ(RdSN(*first).serial, "12345678");  // the holder's run goes on

    first->close();
    EXPECT_FALSE(second.open().has_value());
    EXPECT_EQ(RdSN(second).serial, "12345678");
}

// Whether another process holds a record lock on the device, as a program's open port does.
static bool lockedByAnotherProcess(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return true;  // opened exclusively
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

// Another program holding the port (here vantor-cli, waiting for a late reply): the refusal is
// "busy" in words a user can act on, not the system's words for its lock file.
TEST_F(SerialLinkIntegration, APortHeldByAnotherProgramIsBusy) {
    SimulatorProcess scale({"--fault", "delay:read:ms=3000:nth=1"});
    test::ChildProcess holder(10s);
    holder.start(std::string(VANTOR_TOOLS_DIR) + "/vantor-cli/vantor-cli",
                 {"serial", "--port", scale.devicePath()}, -1);
    // Until the other program has the port (it starts on its own time), seen without taking it.
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (!lockedByAnotherProcess(scale.devicePath()) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    SerialTransport second;
    second.setPortName(QString::fromStdString(scale.devicePath()));
    const auto refused = second.open();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->problem, PortProblem::Busy);
    EXPECT_EQ(refused->detail, kPortBusy);
    holder.stop();
}
