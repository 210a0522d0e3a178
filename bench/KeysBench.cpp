// Programming one blank key against the simulator with wire timing: the serial-number read and
// key check, then the second serial-number read and the five page writes, as the key form and
// `vantor-cli key` make them. The wall time is set against the wire-time minimum of exactly the
// bytes those exchanges put on the line in both directions (1,920 bytes a second); the target is
// a ratio of 1.05 or less.

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>

#include "core/keys/KeyProgramming.h"
#include "platform/scale/SerialTransport.h"
#include "support/CountingTransport.h"
#include "support/SimulatorProcess.h"

using namespace vantor;

namespace {

constexpr double kWireBytesPerSecond = 1920;

double wallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

Bytes sampleBlock() {
    keys::WeightEntries weights{};
    keys::RateEntries rates{};
    for (std::size_t i = 0; i < keys::kKeyEntries; ++i) {
        weights[i] = static_cast<std::int16_t>(i + 1);
        rates[i] = 0.5F + static_cast<float>(i) * 0.25F;
    }
    return keys::keyBlock(keys::weightsInGrams(weights, keys::kOunces), keys::ratesInCents(rates));
}

void BM_ProgramOneKeyWithWireTiming(benchmark::State& state) {
    test::SimulatorProcess simulator(
        test::SimulatorProcess::defaultAnswers({"--serial", "12345678", "--wire-timing"}));
    scale::SerialTransport port;
    port.setPortName(QString::fromStdString(simulator.devicePath()));
    if (port.open()) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    const Bytes block = sampleBlock();
    const std::atomic<bool> cancel{false};
    double wall = 0, wire = 0;
    for (auto _ : state) {
        test::CountingTransport transport(port);
        const double start = wallSeconds();
        const keys::KeyCheck check = keys::checkKey(transport, 1);
        const scale::OperationResult result = keys::ProgramData(transport, 1, block, {}, cancel);
        wall += wallSeconds() - start;
        wire += static_cast<double>(transport.bytes()) / kWireBytesPerSecond;
        if (!check.check.answered() || !result.succeeded())
            state.SkipWithError("the key was not programmed");
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / runs;
    state.counters["wire_min_s"] = wire / runs;
    state.counters["wire_ratio"] = wall / wire;
}
BENCHMARK(BM_ProgramOneKeyWithWireTiming)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
