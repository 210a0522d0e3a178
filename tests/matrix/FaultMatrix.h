#pragma once

// The fault-injection matrix: which fault the simulated scale shows at which exchange of which
// operation, what the program must then do, and the table of cells passed.

#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace vantor::matrix {

enum class Operation { Detection, SerialRead, WholeImage, KeyProgramming, ZoneProgramming };
enum class Fault {
    Lost,
    Refusal,
    Corrupted,
    WrongEcho,
    OneByteShort,
    ExtraBytes,
    DelayUnder,
    DelayOver,
    HangUp
};
// Repeated: the fault comes back on every try of its stage, beyond what the retries absorb.
enum class Position { First, Middle, Last, Repeated };

enum class Outcome {
    Success,
    Failure,            // the failure path: no scale found, no serial number, a failed run
    SerialNumberWrong,  // the whole-image run's refused unlock
    WrongSuccess,       // success reported with a wrong answer (another serial number)
    PortRefused,        // the port could not be opened
};

inline constexpr Operation kOperations[] = {Operation::Detection, Operation::SerialRead,
                                            Operation::WholeImage, Operation::KeyProgramming,
                                            Operation::ZoneProgramming};
inline constexpr Fault kFaults[] = {Fault::Lost,       Fault::Refusal,      Fault::Corrupted,
                                    Fault::WrongEcho,  Fault::OneByteShort, Fault::ExtraBytes,
                                    Fault::DelayUnder, Fault::DelayOver,    Fault::HangUp};

const char* nameOf(Operation operation);
const char* nameOf(Fault fault);
const char* nameOf(Position position);
const char* nameOf(Outcome outcome);

// One cell: the fault as the simulator's --fault takes it, and what the rules say follows.
struct Cell {
    Position position;
    Fault fault;
    std::string faultText;
    Outcome expected;
    // What the rules make the program wait, in seconds: its time-outs and the scale's late replies.
    double waits;
};

struct CellResult {
    Operation operation = Operation::Detection;
    Cell cell{};
    Outcome outcome = Outcome::Failure;
    std::chrono::milliseconds elapsed{0};
    std::vector<std::string> problems;  // empty when the cell passed

    bool passed() const { return problems.empty(); }
};

// The cells run by this test program, printed as operations x faults with passed/total.
class MatrixReport {
public:
    static MatrixReport& instance();

    void record(const CellResult& result);
    bool empty() const;
    void print(std::ostream& out) const;

private:
    mutable std::mutex m_mutex;
    std::vector<CellResult> m_results;
};

}  // namespace vantor::matrix
