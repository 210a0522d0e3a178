// Zone programming's own cost:
//  - reading a 1 MiB pasted page (the realistic chart fixture repeated; a real page is a few
//    kilobytes, so this is the worst a paste is likely to bring);
//  - writing the zone table against the simulator with wire timing: wall time against the line's
//    minimum (the serial-number read, then six pages of unlock, write, read-back and finish:
//    1,772 bytes at 1,920 bytes a second, 0.923 s); the target is 1.05 or less.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

#include "core/zones/ZoneChartCheck.h"
#include "core/zones/ZoneProgramming.h"
#include "platform/scale/SerialTransport.h"
#include "support/SimulatorProcess.h"

using namespace vantor;

namespace {

constexpr std::size_t kPastedBytes = 1 << 20;
constexpr double kSerialReadBytes = 3 + 131;
constexpr double kPageBytes = (5 + 1) + (131 + 1) + (3 + 131) + 1;
constexpr double kWireBytes = kSerialReadBytes + zones::kZoneTablePages * kPageBytes;
constexpr double kWireBytesPerSecond = 1920;
constexpr double kWireSeconds = kWireBytes / kWireBytesPerSecond;

std::string fixture() {
    std::ifstream in(VANTOR_FIXTURES_DIR "/zones/chart-606.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string pastedPage() {
    const std::string chart = fixture();
    std::string page;
    page.reserve(kPastedBytes + chart.size());
    while (page.size() < kPastedBytes)
        page += chart;
    page.resize(kPastedBytes);
    return page;
}

void BM_ParsePasted1MiBPage(benchmark::State& state) {
    const std::string page = pastedPage();
    if (fixture().empty()) {
        state.SkipWithError("the chart fixture is missing");
        return;
    }
    for (auto _ : state) {
        const zones::ZoneChart chart = zones::ParseString(page);
        benchmark::DoNotOptimize(chart);
        if (chart.OriginZip != "606")
            state.SkipWithError("the origin was not found");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_ParsePasted1MiBPage)->Unit(benchmark::kMillisecond);

void BM_ProgramZoneTableWithWireTiming(benchmark::State& state) {
    test::SimulatorProcess simulator(test::SimulatorProcess::defaultAnswers({"--wire-timing"}));
    scale::SerialTransport transport;
    transport.setPortName(QString::fromStdString(simulator.devicePath()));
    if (transport.open()) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    const zones::ZoneChartReading reading = zones::readZoneChart(fixture());
    if (!reading.accepted()) {
        state.SkipWithError("the chart fixture was refused");
        return;
    }
    const zones::ZoneTablePages pages = zones::encodeZoneTable(reading.table);
    const std::atomic<bool> cancel{false};
    double wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const scale::OperationResult result = zones::ProgramData(transport, pages, {}, cancel);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!result.succeeded())
            state.SkipWithError(scale::describe(result).c_str());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / runs;
    state.counters["wire_min_s"] = kWireSeconds;
    state.counters["wire_ratio"] = wall / runs / kWireSeconds;
}
BENCHMARK(BM_ProgramZoneTableWithWireTiming)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
