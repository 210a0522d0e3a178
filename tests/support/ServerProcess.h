#pragma once

// Runs vantor-server as a child process for integration tests: the real executable on 127.0.0.1,
// reached through the base URL it prints.

#include "ChildProcess.h"

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vantor::test {

class ServerProcess {
public:
    // How long a start (up to the base URL) or a stop may take before the test fails.
    static constexpr std::chrono::seconds kStartLimit{10};
    static constexpr std::chrono::seconds kStopLimit{10};

    // Starts the server and waits for the base URL on its first line of stdout. Throws
    // std::runtime_error when it cannot start or exits first. Its request log (stderr) goes to a
    // temporary file that log() reads.
    explicit ServerProcess(const std::vector<std::string>& arguments = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // "http://127.0.0.1:PORT", without a final "/".
    const std::string& baseUrl() const { return m_baseUrl; }
    // The query script's address.
    std::string scriptUrl() const;
    pid_t pid() const { return m_child.pid(); }

    // What the server wrote on stderr so far.
    std::string log() const;

    // SIGTERM, then waits for the exit (SIGKILL after kStopLimit). Returns the exit status, or
    // 128 + the signal number when a signal ended it. A second call returns the first result.
    int stop();

    using Outcome = ChildProcess::Outcome;
    // Runs the server to its own end (a refusal, --help): captures both streams. Throws when it
    // is still running after kStopLimit (it is then killed).
    static Outcome run(const std::vector<std::string>& arguments);

    static std::string executable();

private:
    std::string m_logPath;
    std::string m_baseUrl;
    ChildProcess m_child{kStopLimit};
};

}  // namespace vantor::test
