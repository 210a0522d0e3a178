// The whole-image run as the program runs it: the real simulator on a pseudo-terminal, reached
// through SerialTransport. The scale's memory is read from the simulator's memory file after it
// has stopped.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <iterator>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/ProgrammingRun.h"
#include "platform/scale/ScalePort.h"
#include "platform/scale/SerialTransport.h"
#include "support/CoreApplication.h"
#include "support/ScaleMemory.h"
#include "support/ScopedEnvironment.h"
#include "support/SimulatorProcess.h"

using namespace std::chrono_literals;
using namespace vantor;
using namespace vantor::firmware;
using test::SimulatorProcess;
using Clock = std::chrono::steady_clock;

namespace {

class ProgrammingIntegration : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    std::string memoryFile() const { return m_folder.filePath(QStringLiteral("scale.bin")).toStdString(); }

    static ImageBuffer sampleImage() {
        HexLoad load = IntelHexLoader::loadFile(VANTOR_FIXTURES_DIR "/hex/sample-update.hex");
        EXPECT_TRUE(load.image) << load.error.message();
        return load.image.value_or(ImageBuffer());
    }

    // What the simulator saved when it stopped: the sample image with the scale's serial number.
    void expectMemoryFileHoldsTheSampleImage(std::string_view serial) const {
        ImageBuffer expected = sampleImage();
        expected.UpdateSN(serial);
        const Bytes memory = test::readScaleMemory(memoryFile());
        ASSERT_EQ(memory.size(), ImageBuffer::kSize);
        EXPECT_TRUE(std::equal(memory.begin(), memory.end(), expected.bytes().begin()));
    }

    static bool open(scale::SerialTransport& transport, const SimulatorProcess& simulator) {
        transport.setPortName(QString::fromStdString(simulator.devicePath()));
        return !transport.open().has_value();
    }

    QTemporaryDir m_folder;
    std::atomic<bool> m_cancel{false};
    std::vector<scale::Progress> m_progress;
};

}  // namespace

TEST_F(ProgrammingIntegration, CleanRunLeavesTheImageInTheScale) {
    SimulatorProcess simulator({"--serial", "24681357", "--memory", memoryFile()});
    scale::SerialTransport transport;
    ASSERT_TRUE(open(transport, simulator));

    const ScaleProgramming programming = programWithCheckedSerial(
        transport, sampleImage(), [&](const scale::Progress& progress) { m_progress.push_back(progress); },
        m_cancel);
    ASSERT_EQ(programming.result.outcome, scale::Outcome::Success) << describe(programming.result);
    EXPECT_EQ(programming.result.serial, "24681357");
    EXPECT_EQ(m_progress.size(), 1024u);  // before each page written and each page verified
    EXPECT_EQ(m_progress.back(), (scale::Progress{scale::Phase::Verify, 511, 512}));

    transport.close();
    ASSERT_EQ(simulator.stop(), 0);
    expectMemoryFileHoldsTheSampleImage("24681357");
}

TEST_F(ProgrammingIntegration, RetriesWorkOverTheRealLine) {
    SimulatorProcess simulator({"--fault", "refuse:write:nth=100:count=1", "--fault",
                                "corrupt:read:addr=0x0280:count=1", "--fault",
                                "echo:read:addr=0x9600:count=1"});
    scale::SerialTransport transport;
    ASSERT_TRUE(open(transport, simulator));
    ImageBuffer image = sampleImage();
    image.UpdateSN("12345678");

    const scale::OperationResult result = ProgramAllPages(transport, image, {}, m_cancel);
    EXPECT_EQ(result.outcome, scale::Outcome::Success) << describe(result);
    EXPECT_EQ(result.restarts, 1u);
}

TEST_F(ProgrammingIntegration, ScaleUnpluggedMidRunFailsPromptly) {
    auto simulator = std::make_unique<SimulatorProcess>();
    scale::SerialTransport transport;
    ASSERT_TRUE(open(transport, *simulator));
    ImageBuffer image = sampleImage();
    image.UpdateSN("12345678");

    const auto started = Clock::now();
    const scale::OperationResult result = ProgramAllPages(
        transport, image,
        [&](const scale::Progress& progress) {
            if (progress.done == 200)
                simulator->stop();  // the cable is pulled
        },
        m_cancel);
    EXPECT_FALSE(result.succeeded() || result.cancelled() || result.unlockRefused());
    // The port reports the hang-up: no exchange waits for its time limit.
    EXPECT_LT(Clock::now() - started, 5s);
}

TEST_F(ProgrammingIntegration, HangUpFaultFailsWithoutWaitingForTimeOuts) {
    SimulatorProcess simulator({"--fault", "hangup:write:nth=50"});
    scale::SerialTransport transport;
    ASSERT_TRUE(open(transport, simulator));
    ImageBuffer image = sampleImage();
    image.UpdateSN("12345678");

    const auto started = Clock::now();
    const scale::OperationResult result = ProgramAllPages(transport, image, {}, m_cancel);
    EXPECT_FALSE(result.succeeded() || result.cancelled() || result.unlockRefused());
    EXPECT_LT(Clock::now() - started, 5s);
}

namespace {

// A scale reached through a symbolic link, as a USB adapter is through its device name: the link
// is moved to whichever simulator stands for the scale at the moment.
class PulledCable : public ProgrammingIntegration {
protected:
    std::string link(const char* name) const {
        return m_folder.filePath(QString::fromLatin1(name)).toStdString();
    }

    // The port as detection leaves it: selected, closed, the scale's serial number known.
    static void selectAsDetected(scale::SerialTransport& transport, const std::string& path) {
        transport.setPortName(QString::fromStdString(path));
        transport.setScaleSerial("24681357");
    }

    // The scale is switched off in the middle of the run: its memory holds the pages written so far.
    void runUntilPulled(scale::SerialTransport& transport, std::unique_ptr<SimulatorProcess>& simulator) {
        ASSERT_TRUE(scale::openScalePort(transport, &m_cancel).open);
        const ScaleProgramming programming = programWithCheckedSerial(
            transport, sampleImage(),
            [&](const scale::Progress& progress) {
                if (progress.done == 200)
                    simulator->stop();
            },
            m_cancel);
        ASSERT_FALSE(programming.result.succeeded() || programming.result.cancelled() ||
                     programming.result.unlockRefused());
        // The dead device is let go, so that the next operation opens the port afresh.
        EXPECT_FALSE(transport.isOpen());
        simulator.reset();
    }

    void retryCompletesTheRun(scale::SerialTransport& transport, SimulatorProcess& simulator) {
        ASSERT_TRUE(scale::openScalePort(transport, &m_cancel).open);
        const ScaleProgramming programming = programWithCheckedSerial(transport, sampleImage(), {}, m_cancel);
        ASSERT_EQ(programming.result.outcome, scale::Outcome::Success) << describe(programming.result);
        transport.close();
        ASSERT_EQ(simulator.stop(), 0);
        expectMemoryFileHoldsTheSampleImage("24681357");
    }

    std::vector<std::string> scale(const char* serial) const {
        return {"--serial", serial, "--memory", memoryFile()};
    }

    test::ScopedEnvironment m_environment;
};

}  // namespace

TEST_F(PulledCable, RetryBehindTheSamePathCompletesTheRun) {
    const std::string path = link("scale");
    m_environment.set("VANTOR_ONLY_PORTS", QByteArray::fromStdString(path));
    auto first = std::make_unique<SimulatorProcess>(scale("24681357"));
    first->plugInAt(path);
    scale::SerialTransport transport;
    selectAsDetected(transport, path);
    runUntilPulled(transport, first);

    SimulatorProcess again(scale("24681357"));
    again.plugInAt(path);
    retryCompletesTheRun(transport, again);
}

TEST_F(PulledCable, RetryFindsTheScaleUnderItsNewPath) {
    const std::string before = link("scale-a"), after = link("scale-b");
    m_environment.set("VANTOR_ONLY_PORTS", QByteArray::fromStdString(before + ":" + after));
    auto first = std::make_unique<SimulatorProcess>(scale("24681357"));
    first->plugInAt(before);
    scale::SerialTransport transport;
    selectAsDetected(transport, before);
    runUntilPulled(transport, first);

    std::filesystem::remove(before);
    SimulatorProcess again(scale("24681357"));
    again.plugInAt(after);
    EXPECT_TRUE(transport.deviceGone());
    retryCompletesTheRun(transport, again);
    EXPECT_EQ(transport.portName().toStdString(), after);
}

TEST_F(PulledCable, AnotherScaleUnderTheNewPathIsReportedAndLeftAlone) {
    const std::string before = link("scale-a"), after = link("scale-b");
    m_environment.set("VANTOR_ONLY_PORTS", QByteArray::fromStdString(before + ":" + after));
    SimulatorProcess other({"--serial", "11223344"});
    other.plugInAt(after);
    scale::SerialTransport transport;
    selectAsDetected(transport, before);

    const scale::PortReadiness port = scale::openScalePort(transport, &m_cancel);
    EXPECT_FALSE(port.open);
    EXPECT_EQ(port.otherScale, "11223344");
    EXPECT_FALSE(transport.isOpen());
    EXPECT_EQ(transport.portName().toStdString(), before);
}
