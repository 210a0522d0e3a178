// The scale link's own cost, measured against the simulator on real pseudo-terminals:
//  - detection with seven silent ports listed before the scale (a port-by-port scan would wait
//    10 s on each of them);
//  - one serial-number read through SerialTransport, without wire timing (the host's share of
//    every exchange).

#include <benchmark/benchmark.h>

#include <memory>

#include "PseudoTerminal.h"
#include "core/scale/ScaleLink.h"
#include "platform/scale/PortDetector.h"
#include "platform/scale/SerialTransport.h"
#include "support/SimulatorProcess.h"

using namespace vantor;

namespace {

constexpr int kSilentPorts = 7;

void BM_DetectBehindSevenSilentPorts(benchmark::State& state) {
    std::vector<std::unique_ptr<sim::PseudoTerminal>> silent;
    std::vector<std::string> ports;
    for (int i = 0; i < kSilentPorts; ++i) {
        silent.push_back(std::make_unique<sim::PseudoTerminal>());
        ports.push_back(silent.back()->devicePath());
    }
    test::SimulatorProcess simulator(test::SimulatorProcess::defaultAnswers());
    ports.push_back(simulator.devicePath());

    for (auto _ : state) {
        const scale::DetectionResult result = scale::PortDetector().detect(ports);
        if (!result.found() || *result.port != simulator.devicePath())
            state.SkipWithError("scale not found");
    }
}
BENCHMARK(BM_DetectBehindSevenSilentPorts)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_SerialNumberRead(benchmark::State& state) {
    test::SimulatorProcess simulator(test::SimulatorProcess::defaultAnswers());
    scale::SerialTransport transport;
    transport.setPortName(QString::fromStdString(simulator.devicePath()));
    if (transport.open()) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    for (auto _ : state) {
        if (scale::RdSN(transport).serial != "12345678")
            state.SkipWithError("wrong serial number");
    }
}
BENCHMARK(BM_SerialNumberRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
