// The serving loop in process: one log line per command, and a prompt stop.

#include "SimulatorLoop.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "SerialClient.h"
#include "core/scale/SerialNumber.h"

namespace vantor::sim {
namespace {

using namespace std::chrono_literals;

class SimulatorLoopTest : public ::testing::Test {
protected:
    void start(scale::ScaleModel model) {
        m_model = std::move(model);
        SimulatorLoopOptions options;
        options.log = [this](const std::string& line) {
            std::lock_guard lock(m_mutex);
            m_log.push_back(line);
        };
        m_loop = std::make_unique<SimulatorLoop>(m_line, m_model, options);
        m_thread = std::thread([this] { m_loop->run(); });
    }

    void TearDown() override {
        if (!m_loop)
            return;
        m_loop->requestStop();
        m_thread.join();
    }

    std::vector<std::string> log() {
        std::lock_guard lock(m_mutex);
        return m_log;
    }

    PseudoTerminal m_line;
    scale::ScaleModel m_model;
    std::unique_ptr<SimulatorLoop> m_loop;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::string> m_log;
};

TEST_F(SimulatorLoopTest, LogsEachCommandWithWhatTheScaleDidAndSkipsNoise) {
    scale::ScaleModel model("12345678");
    model.addFault(*scale::parseFault("refuse:write:nth=2").fault);
    start(std::move(model));
    auto client = test::openSerialClient(m_line.devicePath());
    ASSERT_TRUE(client->isOpen());

    const Bytes page(scale::kPageSize, 0x5A);
    ASSERT_TRUE(test::ask(*client, scale::unlockCommand(scale::packSerial("12345678")), 1));
    ASSERT_TRUE(test::ask(*client, scale::writePageCommand(0x0100, page), 1));
    ASSERT_TRUE(test::ask(*client, scale::writePageCommand(0x0180, page), 1));
    ASSERT_TRUE(client->send(Bytes{0x00, 0x11}));
    ASSERT_TRUE(client->send(scale::finishCommand()));
    // The finish has no reply: the read after it shows it has been served.
    ASSERT_TRUE(test::ask(*client, scale::readPageCommand(0x0100), scale::kReadReplySize));

    EXPECT_EQ(log(), (std::vector<std::string>{"unlock 12345678 -> F0", "write 0x0100 -> F0",
                                               "write 0x0180 -> 0F", "finish", "read 0x0100 -> 131 bytes"}));
}

TEST_F(SimulatorLoopTest, ServesOnlyUntilTheStopAndKeepsTheMemory) {
    start(scale::ScaleModel("12345678"));
    auto client = test::openSerialClient(m_line.devicePath());
    ASSERT_TRUE(client->isOpen());
    ASSERT_TRUE(test::ask(*client, scale::unlockCommand(scale::packSerial("12345678")), 1));
    ASSERT_TRUE(test::ask(*client, scale::writePageCommand(0x0200, Bytes(scale::kPageSize, 0x42)), 1));

    m_loop->requestStop();
    m_thread.join();
    m_loop.reset();
    EXPECT_EQ(m_model.memory()[0x0200], 0x42);
    EXPECT_EQ(m_model.memory()[0x0280], 0xFF);
    EXPECT_FALSE(test::ask(*client, scale::readPageCommand(0x0200), scale::kReadReplySize));
}

}  // namespace
}  // namespace vantor::sim
