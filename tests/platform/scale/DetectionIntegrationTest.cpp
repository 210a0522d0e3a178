// Detection as the program runs it: real pseudo-terminals, the real simulator, QSerialPort.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <set>
#include <vector>

#include "PseudoTerminal.h"
#include "core/scale/SerialNumber.h"
#include "platform/scale/AccessRemedy.h"
#include "platform/scale/PortDetector.h"
#include "platform/scale/PortDiscovery.h"
#include "platform/scale/ScaleWorker.h"
#include "platform/scale/SerialTransport.h"
#include "support/CoreApplication.h"
#include "support/ScopedEnvironment.h"
#include "support/SimulatorProcess.h"

using namespace std::chrono_literals;
using namespace vantor;
using namespace vantor::scale;
using test::SimulatorProcess;
using Clock = std::chrono::steady_clock;

namespace {

// Far below the 10 s a port-by-port scan would spend on one silent port, far above what a busy
// machine needs for an answer from the simulator.
constexpr auto kWellBelowOneTimeOut = 5s;

class DetectionIntegration : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
};

SerialRead readSerialAt(const std::string& device) {
    SerialTransport transport;
    transport.setPortName(QString::fromStdString(device));
    if (transport.open())
        return {};
    return RdSN(transport);
}

}  // namespace

TEST_F(DetectionIntegration, FindsTheScaleBehindSilentPortsWithoutAwaitingTheirTimeLimit) {
    sim::PseudoTerminal silent1, silent2;
    SimulatorProcess simulator({"--serial", "24681357"});

    const auto started = Clock::now();
    const DetectionResult result =
        PortDetector().detect({silent1.devicePath(), silent2.devicePath(), simulator.devicePath()});
    EXPECT_LT(Clock::now() - started, kWellBelowOneTimeOut);

    ASSERT_TRUE(result.found());
    EXPECT_EQ(*result.port, simulator.devicePath());
    EXPECT_EQ(result.serial, "24681357");
    EXPECT_TRUE(result.refused.empty());
    // Detection closed the port again: it opens for the next exchange.
    EXPECT_EQ(readSerialAt(simulator.devicePath()).serial, "24681357");
}

TEST_F(DetectionIntegration, ListedDevicePathsArePartOfDetection) {
    sim::PseudoTerminal silent1, silent2;
    SimulatorProcess simulator;
    test::ScopedEnvironment environment;
    environment.set("VANTOR_SERIAL_PORTS",
                    QByteArray::fromStdString(silent1.devicePath() + ":" + silent2.devicePath() + ":" +
                                              simulator.devicePath()));
    const std::vector<std::string> ports = EnumPorts();
    for (const std::string& path : {silent1.devicePath(), silent2.devicePath(), simulator.devicePath()})
        EXPECT_NE(std::find(ports.begin(), ports.end(), path), ports.end()) << path;

    const DetectionResult result = PortDetector().detect(ports);
    ASSERT_TRUE(result.found());
    EXPECT_EQ(*result.port, simulator.devicePath());
    EXPECT_EQ(result.serial, "12345678");
}

// "Only these ports": neither the system's own ports nor the extra ones are opened.
TEST_F(DetectionIntegration, OnlyThePortsNamedAsTheOnlyOnesAreTried) {
    SimulatorProcess simulator;
    sim::PseudoTerminal extra;
    test::ScopedEnvironment environment;
    environment.set("VANTOR_SERIAL_PORTS", QByteArray::fromStdString(extra.devicePath()));
    environment.set("VANTOR_ONLY_PORTS",
                    QByteArray::fromStdString(simulator.devicePath() + ":/dev/vantor-none"));
    const std::vector<std::string> ports = EnumPorts();
    EXPECT_EQ(std::set<std::string>(ports.begin(), ports.end()),
              (std::set<std::string>{"/dev/vantor-none", simulator.devicePath()}));
    environment.set("VANTOR_ONLY_PORTS", "");
    EXPECT_TRUE(EnumPorts().empty()) << "set but empty: no port at all";
}

TEST_F(DetectionIntegration, PortThatCannotBeOpenedIsSkippedNotTheEndOfTheScan) {
    SimulatorProcess simulator;
    const DetectionResult result =
        PortDetector().detect({"/dev/vantor-no-such-port", simulator.devicePath()});
    ASSERT_TRUE(result.found());
    EXPECT_EQ(*result.port, simulator.devicePath());
    ASSERT_EQ(result.refused.size(), 1u);
    EXPECT_EQ(result.refused[0].port, "/dev/vantor-no-such-port");
    EXPECT_EQ(result.refused[0].problem, PortProblem::NotFound);
}

TEST_F(DetectionIntegration, EndsAtOnceWhenNoPortCanAnswer) {
    const auto started = Clock::now();
    const DetectionResult result = PortDetector().detect({"/dev/vantor-no-such-port", "/nonexistent/tty"});
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_FALSE(result.found());
    EXPECT_EQ(result.refused.size(), 2u);
    EXPECT_TRUE(PortDetector().detect({}).refused.empty());
}

TEST_F(DetectionIntegration, SilentPortsEndAtTheTimeLimit) {
    sim::PseudoTerminal silent;
    const DetectionResult result = PortDetector(200ms).detect({silent.devicePath()});
    EXPECT_FALSE(result.found());
    EXPECT_TRUE(result.refused.empty());
}

TEST_F(DetectionIntegration, PortsThatNeverTakeTheCommandHoldUpNoOtherPort) {
    // A line whose output is stopped takes no byte: the command stays in the port's send buffer.
    sim::PseudoTerminal stuck[4];
    std::vector<std::string> ports;
    std::vector<int> stoppers;
    for (const sim::PseudoTerminal& pty : stuck) {
        const int fd = ::open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        stoppers.push_back(fd);
        ASSERT_EQ(::tcflow(fd, TCOOFF), 0);
        ports.push_back(pty.devicePath());
    }
    const auto started = Clock::now();
    const DetectionResult result = PortDetector(300ms).detect(ports);
    EXPECT_LT(Clock::now() - started, kWellBelowOneTimeOut);  // one time limit, not one per port
    EXPECT_FALSE(result.found());
    EXPECT_TRUE(result.refused.empty());  // silent, as a port that takes the command and never answers
    for (const int fd : stoppers)
        ::close(fd);
}

TEST_F(DetectionIntegration, GarbledAnswerIsNotAScale) {
    SimulatorProcess blank({"--fault", "corrupt:read"});  // 12 34 56 78 comes back as ED 34 56 78
    const auto started = Clock::now();
    const DetectionResult result = PortDetector().detect({blank.devicePath()});
    EXPECT_FALSE(result.found());
    EXPECT_LT(Clock::now() - started, kWellBelowOneTimeOut);  // the answer ended the wait
}

TEST_F(DetectionIntegration, DeviceThatHangsUpIsNoScaleAndNoHang) {
    SimulatorProcess simulator({"--fault", "hangup:read"});
    const auto started = Clock::now();
    const DetectionResult result = PortDetector().detect({simulator.devicePath()});
    EXPECT_FALSE(result.found());
    EXPECT_LT(Clock::now() - started, 11s);
}

TEST_F(DetectionIntegration, SerialReadOnAVanishedPortGivesEmptyTextPromptly) {
    SimulatorProcess simulator({"--fault", "hangup:read:nth=2"});
    SerialTransport transport;
    transport.setPortName(QString::fromStdString(simulator.devicePath()));
    ASSERT_FALSE(transport.open());
    EXPECT_EQ(RdSN(transport).serial, "12345678");

    const auto started = Clock::now();
    const SerialRead lost = RdSN(transport);
    EXPECT_EQ(lost.serial, "");
    EXPECT_FALSE(lost.scaleCom);
    EXPECT_LT(Clock::now() - started, 11s);  // never past the deadline
    EXPECT_FALSE(RdSN(transport).scaleCom);
}

TEST_F(DetectionIntegration, MissingDeviceCannotBeOpened) {
    SerialTransport transport;
    transport.setPortName(QStringLiteral("/dev/vantor-no-such-port"));
    const auto failure = transport.open();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->problem, PortProblem::NotFound);
    EXPECT_FALSE(RdSN(transport).scaleCom);
}

// A scale may answer until the last moment of the serial-number read's time limit: the wait
// never ends before it (a coarse timer may fire up to a twentieth of its interval early).
TEST_F(DetectionIntegration, WaitsTheWholeTimeLimitForALateAnswer) {
    constexpr auto kLimit = 2s;
    SimulatorProcess lateScale({"--serial", "24681357", "--fault", "delay:read:nth=1:ms=1920"});
    sim::PseudoTerminal silent;

    const DetectionResult result = PortDetector(kLimit).detect({silent.devicePath(), lateScale.devicePath()});

    ASSERT_TRUE(result.found());
    EXPECT_EQ(*result.port, lateScale.devicePath());
}

TEST_F(DetectionIntegration, SilentPortIsGivenUpOnlyAtTheTimeLimit) {
    constexpr auto kLimit = 2s;
    sim::PseudoTerminal silent;

    const auto started = Clock::now();
    const DetectionResult result = PortDetector(kLimit).detect({silent.devicePath()});
    EXPECT_GE(Clock::now() - started, kLimit);
    EXPECT_FALSE(result.found());
}

// Ending the program while detection waits on a silent port: detection's local event loop must not
// let the worker free the port under the job, which still uses it when detection returns (the
// sanitizer build reports the use after free).
TEST_F(DetectionIntegration, EndingTheProgramDuringDetectionKeepsThePortUntilTheJobEnds) {
    sim::PseudoTerminal silent;
    auto worker = std::make_unique<ScaleWorker>();
    std::atomic<bool> detecting{false};
    QObject context;
    ASSERT_TRUE(worker->run(
        [&, port = silent.devicePath(), &cancel = worker->cancelFlag()](SerialTransport& transport) {
            detecting = true;
            const DetectionResult result = PortDetector().detect({port}, &cancel);
            transport.setPortName(QString::fromStdString(port));
            return result.found();
        },
        &context, [](bool) {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return detecting.load(); }, 5000));

    const auto started = Clock::now();
    worker.reset();
    EXPECT_LT(Clock::now() - started, kWellBelowOneTimeOut);
}

// A port denied for lack of permission is answered in this system's words.
TEST(AccessRemedy, APortDeniedOnLinuxPointsToTheDialoutGroup) {
    DetectionResult result;
    result.refused.push_back({"/dev/ttyUSB0", PortProblem::PermissionDenied, "Permission denied"});
    EXPECT_EQ(accessHint(result, accessDeniedRemedy()),
              "Access to /dev/ttyUSB0 was denied: add your user to the dialout group (sudo usermod -aG "
              "dialout $USER), then log out and log in again.");
}
