// The firmware update's own cost:
//  - a whole run against the simulator with wire timing: wall time against the line's minimum
//    (1 unlock, 512 page writes and 512 page reads: 136,198 bytes at 1,920 bytes a second,
//    70.94 s), and the CPU time the program spends over it;
//  - the same run without wire timing (the host's share of every exchange);
//  - the user's tables region with wire timing: its backup (36 pages, each read until two reads
//    agree) and its restore (36 page writes with unlock, read-back and finish), each against the
//    wire time of exactly the bytes it exchanged, and the whole run with the backup before it
//    against the two wire minima added;
//  - loading the 64 KiB sample image from its HEX file, beside srec_cat turning the same file into
//    a binary (skipped when srec_cat is not installed) and beside `vantor-cli image`;
//  - the start-up of `vantor-cli --version`, which loads nothing an update needs.

#include <benchmark/benchmark.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <ctime>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/firmware/UserTables.h"
#include "core/scale/SerialNumber.h"
#include "platform/scale/SerialTransport.h"
#include "support/CountingTransport.h"
#include "support/SimulatorProcess.h"

using namespace vantor;

namespace {

const std::string kSample = VANTOR_FIXTURES_DIR "/hex/sample-update.hex";
constexpr double kWireBytes = 136198;
constexpr double kWireBytesPerSecond = 1920;
constexpr double kWireSeconds = kWireBytes / kWireBytesPerSecond;

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double wallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

firmware::ImageBuffer sampleImage() {
    firmware::HexLoad load = firmware::IntelHexLoader::loadFile(kSample);
    firmware::ImageBuffer image = load.image.value_or(firmware::ImageBuffer());
    image.UpdateSN("12345678");
    return image;
}

void wholeRun(benchmark::State& state, const std::vector<std::string>& simulatorArguments) {
    test::SimulatorProcess simulator(test::SimulatorProcess::defaultAnswers(simulatorArguments));
    scale::SerialTransport transport;
    transport.setPortName(QString::fromStdString(simulator.devicePath()));
    if (transport.open()) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    const firmware::ImageBuffer image = sampleImage();
    const std::atomic<bool> cancel{false};
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double wallStart = wallSeconds(), cpuStart = processCpuSeconds();
        const scale::OperationResult result = firmware::ProgramAllPages(transport, image, {}, cancel);
        wall += wallSeconds() - wallStart;
        cpu += processCpuSeconds() - cpuStart;
        if (!result.succeeded())
            state.SkipWithError(scale::describe(result).c_str());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / runs;
    state.counters["cpu_s"] = cpu / runs;
    state.counters["cpu_share_pct"] = 100.0 * cpu / wall;
    state.counters["wire_ratio"] = wall / runs / kWireSeconds;
}

void BM_WholeRunWithWireTiming(benchmark::State& state) {
    wholeRun(state, {"--wire-timing"});
}
BENCHMARK(BM_WholeRunWithWireTiming)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_WholeRunWithoutWireTiming(benchmark::State& state) {
    wholeRun(state, {});
}
BENCHMARK(BM_WholeRunWithoutWireTiming)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// A simulator with wire timing whose port is open on `transport`; false (the benchmark skipped)
// when it cannot be opened.
bool openSimulator(benchmark::State& state, const test::SimulatorProcess& simulator,
                   scale::SerialTransport& transport) {
    transport.setPortName(QString::fromStdString(simulator.devicePath()));
    if (!transport.open())
        return true;
    state.SkipWithError("cannot open the simulator's port");
    return false;
}

// Runs `work` (true when it succeeded) over a simulator with wire timing, each time against the
// wire time of exactly the bytes it exchanged.
template <class Work>
void againstWire(benchmark::State& state, Work work) {
    test::SimulatorProcess simulator(
        test::SimulatorProcess::defaultAnswers({"--serial", "12345678", "--wire-timing"}));
    scale::SerialTransport port;
    if (!openSimulator(state, simulator, port))
        return;
    double wall = 0, wire = 0;
    for (auto _ : state) {
        test::CountingTransport transport(port);
        const double start = wallSeconds();
        const bool done = work(transport);
        wall += wallSeconds() - start;
        wire += static_cast<double>(transport.bytes()) / kWireBytesPerSecond;
        if (!done)
            state.SkipWithError("the scale did not do it");
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["wall_s"] = wall / runs;
    state.counters["wire_min_s"] = wire / runs;
    state.counters["wire_ratio"] = wall / wire;
}

const std::atomic<bool> kGoOn{false};

void BM_BackupTablesWithWireTiming(benchmark::State& state) {
    againstWire(state, [](scale::ScaleTransport& transport) {
        return firmware::readTables(transport, {}, kGoOn).tables.has_value();
    });
}
BENCHMARK(BM_BackupTablesWithWireTiming)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_RestoreTablesWithWireTiming(benchmark::State& state) {
    Bytes tables(firmware::kTablesSize);
    for (std::size_t i = 0; i < tables.size(); ++i)
        tables[i] = static_cast<Byte>(i * 7);
    const auto pages = firmware::tablePages(tables);
    againstWire(state, [&](scale::ScaleTransport& transport) {
        return firmware::writeTables(transport, pages, scale::packSerial("12345678"), {}, kGoOn).succeeded();
    });
}
BENCHMARK(BM_RestoreTablesWithWireTiming)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The update as the program makes it with the tables kept: the backup, then the whole run.
void BM_WholeRunWithBackupWithWireTiming(benchmark::State& state) {
    const firmware::ImageBuffer image = sampleImage();
    againstWire(state, [&](scale::ScaleTransport& transport) {
        return firmware::readTables(transport, {}, kGoOn).tables.has_value() &&
               firmware::ProgramAllPages(transport, image, {}, kGoOn).succeeded();
    });
}
BENCHMARK(BM_WholeRunWithBackupWithWireTiming)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_LoadSampleHex(benchmark::State& state) {
    for (auto _ : state) {
        firmware::HexLoad load = firmware::IntelHexLoader::loadFile(kSample);
        if (!load.image)
            state.SkipWithError(load.error.message().c_str());
        benchmark::DoNotOptimize(load);
    }
}
BENCHMARK(BM_LoadSampleHex)->Unit(benchmark::kMillisecond);

// A whole process turning the sample into a binary file, so that both tools pay for starting up.
void timeProcess(benchmark::State& state, const QString& program, const QStringList& arguments) {
    for (auto _ : state) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError(("failed: " + program.toStdString()).c_str());
            return;
        }
    }
}

void BM_SrecCatHexToBinary(benchmark::State& state) {
    const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    if (srecCat.isEmpty()) {
        state.SkipWithError("srec_cat is not installed (Debian package srecord)");
        return;
    }
    QTemporaryDir folder;
    timeProcess(state, srecCat,
                {QString::fromStdString(kSample), QStringLiteral("-intel"), QStringLiteral("-o"),
                 folder.filePath(QStringLiteral("out.bin")), QStringLiteral("-binary")});
}
BENCHMARK(BM_SrecCatHexToBinary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_VantorCliImage(benchmark::State& state) {
    QTemporaryDir folder;
    timeProcess(
        state, QStringLiteral(VANTOR_CLI_PATH),
        {QStringLiteral("image"), QString::fromStdString(kSample), QStringLiteral("--output"),
         folder.filePath(QStringLiteral("out.bin")), QStringLiteral("--serial"), QStringLiteral("12345678")});
}
BENCHMARK(BM_VantorCliImage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// The start-up of a command that never touches the scale: what every script pays per call.
void BM_VantorCliVersion(benchmark::State& state) {
    timeProcess(state, QStringLiteral(VANTOR_CLI_PATH), {QStringLiteral("--version")});
}
BENCHMARK(BM_VantorCliVersion)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace
