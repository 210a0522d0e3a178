// Many serial-number reads through the program's SerialTransport against the simulator: every one
// must come back whole and right.

#include <gtest/gtest.h>

#include "SerialClient.h"
#include "support/SimulatorProcess.h"

namespace vantor::sim {
namespace {

constexpr int kExchanges = 20'000;
// Each lost reply costs RdSN's full 10-second limit: a few are enough to show the fault.
constexpr int kFailuresShown = 3;

TEST(ScaleSimulatorStressTest, TwentyThousandSerialReadsLoseNothing) {
    test::SimulatorProcess simulator(test::SimulatorProcess::plainAnswers({"--serial", "31415926"}));
    auto client = test::openSerialClient(simulator.devicePath());
    ASSERT_TRUE(client->isOpen());

    int wrong = 0;
    for (int i = 0; i < kExchanges; ++i) {
        const scale::SerialRead read = scale::RdSN(*client);
        if (read.scaleCom && read.serial == "31415926")
            continue;
        ADD_FAILURE() << "exchange " << i << ": scaleCom " << read.scaleCom << ", serial '" << read.serial
                      << "'";
        if (++wrong == kFailuresShown)
            break;
    }
}

}  // namespace
}  // namespace vantor::sim
