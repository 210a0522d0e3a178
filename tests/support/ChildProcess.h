#pragma once

// A test's helper program run as a child process: started with posix_spawn, its first stdout line
// read with a bounded wait, stopped with SIGTERM (then SIGKILL), or run to its own end with both
// streams captured. ServerProcess and SimulatorProcess are built on it.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vantor::test {

class ChildProcess {
public:
    struct Outcome {
        int exitStatus = -1;
        std::string out;
        std::string err;
    };

    // Nothing runs until start(); stop() and the destructor give the child stopLimit to end.
    explicit ChildProcess(std::chrono::milliseconds stopLimit);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program with its stdout on a pipe of ours and its stderr on errFd, or on the
    // test's own stderr when errFd is -1. errFd stays the caller's to close. Throws
    // std::runtime_error when it cannot start.
    void start(const std::string& path, const std::vector<std::string>& arguments, int errFd);

    // The first line of its stdout, without the newline. When none comes within limit, or the child
    // ends first, it is stopped and std::runtime_error names what was awaited; detail(), when
    // given, adds what the child said about ending.
    std::string firstLine(std::chrono::milliseconds limit, const std::string& awaited,
                          const std::function<std::string()>& detail = {});

    pid_t pid() const { return m_pid; }

    // SIGTERM, then waits for the exit (SIGKILL after the stop limit). Returns the exit status, or
    // 128 + the signal number when a signal ended it. A second call returns the first result.
    int stop();

    // Runs the program to its own end, capturing both streams. Throws when it is still running
    // after limit (it is then killed).
    static Outcome run(const std::string& path, const std::vector<std::string>& arguments,
                       std::chrono::milliseconds limit);

private:
    std::chrono::milliseconds m_stopLimit;
    std::string m_name;
    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_exitStatus = -1;
};

}  // namespace vantor::test
