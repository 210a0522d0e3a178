// The fault-injection matrix on the serial link: every scale operation against vantor-scale-sim
// on a pseudo-terminal, reached through SerialTransport, with one fault at its first, a middle
// and its last exchange (and, where the retries would absorb one, a fault that keeps coming).
// Each cell checks the outcome the rules give, that the time stayed within what the rules make
// the program wait, that the port opens again, that a second run succeeds, and that success is
// only reported when the scale holds what was meant to be written.
//
// The cells of one operation run side by side, each with its own simulator and transport on its
// own thread: most of a cell is waiting for time-outs, so they overlap well even on two cores.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "FaultMatrix.h"
#include "MatrixOperations.h"
#include "core/scale/ScaleLink.h"
#include "support/CoreApplication.h"
#include "support/ScaleMemory.h"
#include "support/SimulatorProcess.h"

using namespace vantor;
using namespace vantor::matrix;
using test::SimulatorProcess;
using Clock = std::chrono::steady_clock;
using F = Fault;
using P = Position;
using O = Outcome;

namespace {

// The expected outcomes, from the rules of each operation:
// - Detection and the serial-number read make one exchange (the read of page 0x0700), wait up to
//   10 s for its 131 bytes, retry nothing, and do not look at the address echo; a reply whose
//   serial number fails CheckSerial finds no scale. A hang-up ends the wait at once.
// - The whole-image run reads the serial number first (a missing or garbled one packs as digits
//   the scale refuses: "Serial number wrong"), then waits up to 10 s per exchange; a failed write
//   restarts from the unlock, a failed read-back reads the page again, three failures tolerated.
// - Key and zone programming read the serial number, then write each page with unlock and write
//   (2 s each) and read-back (4 s), each stage tried four times.
// A write that is never acknowledged sends the run back to the unlock only a bounded number of
// times. A refusal is what an unlock or write can get; the read-back faults (corruption, wrong echo)
// concern page reads. A late reply past the limit counts as a time-out and is retried like one.
// Where the positions lie: the whole-image run's first exchange is the serial-number read (the
// unlock for a refusal), its middle the page 0x8000, its last the page 0xFF80; key 2 is written
// at 0x8580..0x8780 and the zone table at 0x8000..0x8280. "waits" counts the seconds the rules
// make the program wait: its time-outs and the scale's late replies.

const std::vector<Cell> kDetectionCells = {
    {P::First, F::Lost, "lose:read:nth=1", O::Failure, 10},
    {P::First, F::Corrupted, "corrupt:read:nth=1", O::Failure, 0},
    {P::First, F::WrongEcho, "echo:read:nth=1", O::Success, 0},
    {P::First, F::OneByteShort, "short:read:nth=1", O::Failure, 10},
    {P::First, F::ExtraBytes, "long:read:nth=1", O::Success, 0},
    {P::First, F::DelayUnder, "delay:read:nth=1:ms=9700", O::Success, 9.7},
    {P::First, F::DelayOver, "delay:read:nth=1:ms=10300", O::Failure, 10},
    {P::First, F::HangUp, "hangup:read:nth=1", O::Failure, 0},
};

const std::vector<Cell> kSerialReadCells = kDetectionCells;

// Bytes after every reply may go on arriving: the line is let go quiet before each command of the
// run (the serial number, the unlock, 512 writes and 512 reads), the first of which waits in every
// cell, as on any port just opened. Key and zone programming send a few dozen commands: their waits
// fit in the work allowed.
const double kQuietBeforeEveryCommand = 1025 * std::chrono::duration<double>(scale::kQuietTime).count();

const std::vector<Cell> kWholeImageCells = {
    {P::First, F::Lost, "lose:read:addr=0x0700:nth=1", O::Failure, 10},
    {P::First, F::Refusal, "refuse:unlock:nth=1", O::Success, 0},
    {P::First, F::Corrupted, "corrupt:read:addr=0x0700:nth=1", O::Failure, 0},
    {P::First, F::WrongEcho, "echo:read:addr=0x0700:nth=1", O::Success, 0},
    {P::First, F::OneByteShort, "short:read:addr=0x0700:nth=1", O::Failure, 10},
    {P::First, F::ExtraBytes, "long:read:addr=0x0700:nth=1", O::Success, 0},
    {P::First, F::DelayUnder, "delay:read:addr=0x0700:nth=1:ms=9700", O::Success, 9.7},
    {P::First, F::DelayOver, "delay:read:addr=0x0700:nth=1:ms=10300", O::Failure, 10},
    {P::First, F::HangUp, "hangup:read:addr=0x0700:nth=1", O::Failure, 0},

    {P::Middle, F::Lost, "lose:write:addr=0x8000:count=1", O::Success, 10},
    {P::Middle, F::Refusal, "refuse:write:addr=0x8000:count=1", O::Success, 0},
    {P::Middle, F::Corrupted, "corrupt:read:addr=0x8000:count=1", O::Success, 0},
    {P::Middle, F::WrongEcho, "echo:read:addr=0x8000:count=1", O::Success, 0},
    {P::Middle, F::OneByteShort, "short:write:addr=0x8000:count=1", O::Success, 10},
    {P::Middle, F::ExtraBytes, "long:write:addr=0x8000:count=1", O::Success, 0},
    {P::Middle, F::DelayUnder, "delay:write:addr=0x8000:count=1:ms=9700", O::Success, 9.7},
    {P::Middle, F::DelayOver, "delay:write:addr=0x8000:count=1:ms=10300", O::Success, 10},
    {P::Middle, F::HangUp, "hangup:write:addr=0x8000:count=1", O::Failure, 0},

    {P::Last, F::Lost, "lose:read:addr=0xFF80:count=1", O::Success, 10},
    {P::Last, F::Refusal, "refuse:write:addr=0xFF80:count=1", O::Success, 0},
    {P::Last, F::Corrupted, "corrupt:read:addr=0xFF80:count=1", O::Success, 0},
    {P::Last, F::WrongEcho, "echo:read:addr=0xFF80:count=1", O::Success, 0},
    {P::Last, F::OneByteShort, "short:read:addr=0xFF80:count=1", O::Success, 10},
    {P::Last, F::ExtraBytes, "long:read:addr=0xFF80:count=1", O::Success, 0},
    {P::Last, F::DelayUnder, "delay:read:addr=0xFF80:count=1:ms=9700", O::Success, 9.7},
    {P::Last, F::DelayOver, "delay:read:addr=0xFF80:count=1:ms=10300", O::Success, 10},
    {P::Last, F::HangUp, "hangup:read:addr=0xFF80:count=1", O::Failure, 0},

    {P::Repeated, F::Refusal, "refuse:write:addr=0x8000", O::Failure, 0},
    {P::Repeated, F::Corrupted, "corrupt:read:addr=0x8000:count=4", O::Failure, 0},
    {P::Repeated, F::WrongEcho, "echo:read:addr=0x8000:count=4", O::Failure, 0},
    {P::Repeated, F::ExtraBytes, "long:any", O::Success, kQuietBeforeEveryCommand},
};

const std::vector<Cell> kKeyCells = {
    {P::First, F::Lost, "lose:unlock:nth=1", O::Success, 2},
    {P::First, F::Refusal, "refuse:unlock:nth=1", O::Success, 0},
    {P::First, F::Corrupted, "corrupt:read:addr=0x8580:count=1", O::Success, 0},
    {P::First, F::WrongEcho, "echo:read:addr=0x8580:count=1", O::Success, 0},
    {P::First, F::OneByteShort, "short:unlock:nth=1", O::Success, 2},
    {P::First, F::ExtraBytes, "long:unlock:nth=1", O::Success, 0},
    {P::First, F::DelayUnder, "delay:unlock:nth=1:ms=1700", O::Success, 1.7},
    {P::First, F::DelayOver, "delay:unlock:nth=1:ms=2300", O::Success, 2},
    {P::First, F::HangUp, "hangup:unlock:nth=1", O::Failure, 0},

    {P::Middle, F::Lost, "lose:write:addr=0x8680:count=1", O::Success, 2},
    {P::Middle, F::Refusal, "refuse:write:addr=0x8680:count=1", O::Success, 0},
    {P::Middle, F::Corrupted, "corrupt:read:addr=0x8680:count=1", O::Success, 0},
    {P::Middle, F::WrongEcho, "echo:read:addr=0x8680:count=1", O::Success, 0},
    {P::Middle, F::OneByteShort, "short:write:addr=0x8680:count=1", O::Success, 2},
    {P::Middle, F::ExtraBytes, "long:write:addr=0x8680:count=1", O::Success, 0},
    {P::Middle, F::DelayUnder, "delay:write:addr=0x8680:count=1:ms=1700", O::Success, 1.7},
    {P::Middle, F::DelayOver, "delay:write:addr=0x8680:count=1:ms=2300", O::Success, 2},
    {P::Middle, F::HangUp, "hangup:write:addr=0x8680:count=1", O::Failure, 0},

    {P::Last, F::Lost, "lose:read:addr=0x8780:count=1", O::Success, 4},
    {P::Last, F::Refusal, "refuse:write:addr=0x8780:count=1", O::Success, 0},
    {P::Last, F::Corrupted, "corrupt:read:addr=0x8780:count=1", O::Success, 0},
    {P::Last, F::WrongEcho, "echo:read:addr=0x8780:count=1", O::Success, 0},
    {P::Last, F::OneByteShort, "short:read:addr=0x8780:count=1", O::Success, 4},
    {P::Last, F::ExtraBytes, "long:read:addr=0x8780:count=1", O::Success, 0},
    {P::Last, F::DelayUnder, "delay:read:addr=0x8780:count=1:ms=3700", O::Success, 3.7},
    {P::Last, F::DelayOver, "delay:read:addr=0x8780:count=1:ms=4300", O::Success, 4},
    {P::Last, F::HangUp, "hangup:read:addr=0x8780:count=1", O::Failure, 0},

    {P::Repeated, F::Lost, "lose:unlock:count=4", O::Failure, 8},
    {P::Repeated, F::Refusal, "refuse:unlock:count=4", O::Failure, 0},
    {P::Repeated, F::Corrupted, "corrupt:read:addr=0x8680:count=4", O::Failure, 0},
    {P::Repeated, F::WrongEcho, "echo:read:addr=0x8680:count=4", O::Failure, 0},
    {P::Repeated, F::OneByteShort, "short:write:addr=0x8680:count=4", O::Failure, 8},
    {P::Repeated, F::ExtraBytes, "long:any", O::Success, 0},
};

const std::vector<Cell> kZoneCells = {
    {P::First, F::Lost, "lose:unlock:nth=1", O::Success, 2},
    {P::First, F::Refusal, "refuse:unlock:nth=1", O::Success, 0},
    {P::First, F::Corrupted, "corrupt:read:addr=0x8000:count=1", O::Success, 0},
    {P::First, F::WrongEcho, "echo:read:addr=0x8000:count=1", O::Success, 0},
    {P::First, F::OneByteShort, "short:unlock:nth=1", O::Success, 2},
    {P::First, F::ExtraBytes, "long:unlock:nth=1", O::Success, 0},
    {P::First, F::DelayUnder, "delay:unlock:nth=1:ms=1700", O::Success, 1.7},
    {P::First, F::DelayOver, "delay:unlock:nth=1:ms=2300", O::Success, 2},
    {P::First, F::HangUp, "hangup:unlock:nth=1", O::Failure, 0},

    {P::Middle, F::Lost, "lose:write:addr=0x8100:count=1", O::Success, 2},
    {P::Middle, F::Refusal, "refuse:write:addr=0x8100:count=1", O::Success, 0},
    {P::Middle, F::Corrupted, "corrupt:read:addr=0x8100:count=1", O::Success, 0},
    {P::Middle, F::WrongEcho, "echo:read:addr=0x8100:count=1", O::Success, 0},
    {P::Middle, F::OneByteShort, "short:write:addr=0x8100:count=1", O::Success, 2},
    {P::Middle, F::ExtraBytes, "long:write:addr=0x8100:count=1", O::Success, 0},
    {P::Middle, F::DelayUnder, "delay:write:addr=0x8100:count=1:ms=1700", O::Success, 1.7},
    {P::Middle, F::DelayOver, "delay:write:addr=0x8100:count=1:ms=2300", O::Success, 2},
    {P::Middle, F::HangUp, "hangup:write:addr=0x8100:count=1", O::Failure, 0},

    {P::Last, F::Lost, "lose:read:addr=0x8280:count=1", O::Success, 4},
    {P::Last, F::Refusal, "refuse:write:addr=0x8280:count=1", O::Success, 0},
    {P::Last, F::Corrupted, "corrupt:read:addr=0x8280:count=1", O::Success, 0},
    {P::Last, F::WrongEcho, "echo:read:addr=0x8280:count=1", O::Success, 0},
    {P::Last, F::OneByteShort, "short:read:addr=0x8280:count=1", O::Success, 4},
    {P::Last, F::ExtraBytes, "long:read:addr=0x8280:count=1", O::Success, 0},
    {P::Last, F::DelayUnder, "delay:read:addr=0x8280:count=1:ms=3700", O::Success, 3.7},
    {P::Last, F::DelayOver, "delay:read:addr=0x8280:count=1:ms=4300", O::Success, 4},
    {P::Last, F::HangUp, "hangup:read:addr=0x8280:count=1", O::Failure, 0},

    {P::Repeated, F::Lost, "lose:unlock:count=4", O::Failure, 8},
    {P::Repeated, F::Refusal, "refuse:unlock:count=4", O::Failure, 0},
    {P::Repeated, F::Corrupted, "corrupt:read:addr=0x8100:count=4", O::Failure, 0},
    {P::Repeated, F::WrongEcho, "echo:read:addr=0x8100:count=4", O::Failure, 0},
    {P::Repeated, F::OneByteShort, "short:write:addr=0x8100:count=4", O::Failure, 8},
    {P::Repeated, F::ExtraBytes, "long:any", O::Success, 0},
};

// The work around the waits: starting the exchanges, and for the whole-image run its 1,024 page
// exchanges, on a machine busy with the other cells.
std::chrono::milliseconds workAllowance(Operation operation) {
    using namespace std::chrono_literals;
    switch (operation) {
        case Operation::WholeImage:
            return 15s;
        case Operation::KeyProgramming:
        case Operation::ZoneProgramming:
            return 3s;
        case Operation::Detection:
        case Operation::SerialRead:
            return 2s;
    }
    return 0s;
}

// Simulators started at once. Cells mostly wait; more than this only crowds the two cores.
constexpr unsigned kParallelCells = 8;

std::string seconds(std::chrono::milliseconds elapsed) {
    std::ostringstream text;
    text.precision(2);
    text << std::fixed << static_cast<double>(elapsed.count()) / 1000.0 << " s";
    return text.str();
}

// The device opens again: nothing left it open or locked.
bool portOpensAgain(const std::string& device) {
    scale::SerialTransport probe;
    probe.setPortName(QString::fromStdString(device));
    return !probe.open().has_value();
}

// The memory the simulator wrote to `file` when it stopped, compared with what was meant.
void checkMemory(const std::string& file, const Bytes& expected, const char* when, CellResult& result) {
    const Bytes memory = test::readScaleMemory(file);
    if (memory.size() != expected.size()) {
        result.problems.push_back(std::string(when) + ": the scale's memory file holds " +
                                  std::to_string(memory.size()) + " bytes");
        return;
    }
    const auto [differs, _] = std::mismatch(memory.begin(), memory.end(), expected.begin());
    if (differs != memory.end()) {
        char address[8];
        std::snprintf(address, sizeof address, "%04X", static_cast<unsigned>(differs - memory.begin()));
        result.problems.push_back(std::string(when) + ": success reported, but the scale differs at " +
                                  address);
    }
}

CellResult runCell(Operation operation, const Cell& cell) {
    CellResult result;
    result.operation = operation;
    result.cell = cell;
    QTemporaryDir folder;
    const std::string memoryFile = folder.filePath(QStringLiteral("scale.bin")).toStdString();
    scale::SerialTransport transport;
    try {
        // The run with the fault.
        {
            SimulatorProcess simulator(
                {"--serial", std::string(kScaleSerial), "--memory", memoryFile, "--fault", cell.faultText});
            const auto started = Clock::now();
            result.outcome = perform(operation, transport, simulator.devicePath());
            result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
            transport.close();

            if (result.outcome != cell.expected)
                result.problems.push_back(std::string("outcome ") + nameOf(result.outcome) +
                                          ", the rules give " + nameOf(cell.expected));
            // A time-out never comes early, and nothing waits longer than the rules' limits allow.
            const auto waits = std::chrono::milliseconds(static_cast<long long>(cell.waits * 1000));
            const auto bound = waits + workAllowance(operation);
            if (result.elapsed < waits - std::chrono::milliseconds(50) || result.elapsed > bound)
                result.problems.push_back("took " + seconds(result.elapsed) + ", the rules give " +
                                          seconds(waits) + " of waiting (bound " + seconds(bound) + ")");
            if (cell.fault != Fault::HangUp && !portOpensAgain(simulator.devicePath()))
                result.problems.push_back("the port does not open again after the run");
            if (const int status = simulator.stop(); status != 0)
                result.problems.push_back("the simulator ended with status " + std::to_string(status));
        }
        if (result.outcome == Outcome::Success)
            checkMemory(memoryFile, expectedMemory(operation), "after the faulty run", result);
        else if (operation == Operation::Detection || operation == Operation::SerialRead)
            checkMemory(memoryFile, freshMemory(), "after the faulty run", result);

        // A second run, on the same transport, against a scale without the fault that goes on
        // from the memory the first run left.
        {
            SimulatorProcess simulator({"--memory", memoryFile});
            const Outcome again = perform(operation, transport, simulator.devicePath());
            transport.close();
            if (again != Outcome::Success)
                result.problems.push_back(std::string("the second run after the fault ended in ") +
                                          nameOf(again));
            simulator.stop();
        }
        checkMemory(memoryFile, expectedMemory(operation), "after the second run", result);
    } catch (const std::exception& error) {
        result.problems.push_back(std::string("could not run the cell: ") + error.what());
    }
    return result;
}

// Runs the cells side by side, each on its own thread with its own simulator and transport. The
// threads are QThreads: the serial port and the detector's event loop need Qt's thread data.
std::vector<CellResult> runCells(Operation operation, const std::vector<Cell>& cells) {
    std::vector<CellResult> results(cells.size());
    std::atomic<std::size_t> next{0};
    std::vector<std::unique_ptr<QThread>> workers;
    for (unsigned i = 0; i < std::min<std::size_t>(kParallelCells, cells.size()); ++i) {
        workers.emplace_back(QThread::create([&] {
            for (std::size_t index = next++; index < cells.size(); index = next++)
                results[index] = runCell(operation, cells[index]);
        }));
        workers.back()->start();
    }
    for (const auto& worker : workers)
        worker->wait();
    return results;
}

class FaultMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    static void check(Operation operation, const std::vector<Cell>& cells) {
        for (const CellResult& result : runCells(operation, cells)) {
            MatrixReport::instance().record(result);
            std::ostringstream problems;
            for (const std::string& problem : result.problems)
                problems << "\n  " << problem;
            EXPECT_TRUE(result.passed())
                << nameOf(result.cell.fault) << " at the " << nameOf(result.cell.position) << " exchange ("
                << result.cell.faultText << "), " << seconds(result.elapsed) << ':' << problems.str();
        }
    }
};

// Prints the table of every cell this program ran, once all tests are done.
class MatrixPrinter : public ::testing::Environment {
public:
    void TearDown() override {
        if (!MatrixReport::instance().empty())
            MatrixReport::instance().print(std::cout);
    }
};

const auto* const kPrinter = ::testing::AddGlobalTestEnvironment(new MatrixPrinter);

}  // namespace

TEST_F(FaultMatrix, Detection) {
    check(Operation::Detection, kDetectionCells);
}

TEST_F(FaultMatrix, SerialNumberRead) {
    check(Operation::SerialRead, kSerialReadCells);
}

TEST_F(FaultMatrix, WholeImageRun) {
    check(Operation::WholeImage, kWholeImageCells);
}

TEST_F(FaultMatrix, KeyProgramming) {
    check(Operation::KeyProgramming, kKeyCells);
}

TEST_F(FaultMatrix, ZoneProgramming) {
    check(Operation::ZoneProgramming, kZoneCells);
}
