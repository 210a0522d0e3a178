#pragma once

// Runs vantor-scale-sim as a child process for integration tests: the real executable on a real
// pseudo-terminal, reached through its device path.

#include "ChildProcess.h"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vantor::test {

class SimulatorProcess {
public:
    // How long a start (up to the device path) or a stop may take before the test fails.
    static constexpr std::chrono::seconds kStartLimit{10};
    static constexpr std::chrono::seconds kStopLimit{10};

    // Starts the simulator and waits for the device path on its first line of stdout. Throws
    // std::runtime_error when it cannot start or exits first. Its stderr is the test's stderr.
    explicit SimulatorProcess(const std::vector<std::string>& arguments = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    const std::string& devicePath() const { return m_devicePath; }
    pid_t pid() const { return m_child.pid(); }
    // Makes `link` lead to this simulator's device, as a USB adapter's name leads to whichever
    // scale is plugged in at the moment.
    void plugInAt(const std::string& link) const;

    // SIGTERM, then waits for the exit (SIGKILL after kStopLimit). Returns the exit status, or
    // 128 + the signal number when a signal ended it. A second call returns the first result.
    int stop();

    using Outcome = ChildProcess::Outcome;
    // Runs the simulator to its own end (a refusal, --help): captures both streams. Throws when
    // it is still running after kStopLimit (it is then killed).
    static Outcome run(const std::vector<std::string>& arguments);

    static std::string executable();
    // The seed of the variations every simulator of this test program uses: VANTOR_SIM_SEED when
    // set, else a new one, printed once so that a failing run can be repeated.
    static std::uint32_t seed();
    // Options for a test of the simulator's own bytes on the line: byte 0 of a page read is B4 and
    // every reply goes out whole, alone.
    static std::vector<std::string> plainAnswers(std::vector<std::string> arguments = {});
    // Options for a measurement against the simulator's own default: byte 0 of a page read varies,
    // and nothing else does.
    static std::vector<std::string> defaultAnswers(std::vector<std::string> arguments = {});

private:
    std::string m_devicePath;
    ChildProcess m_child{kStopLimit};
};

}  // namespace vantor::test
