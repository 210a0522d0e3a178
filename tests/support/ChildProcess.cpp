#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace vantor::test {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    return {fds[0], fds[1]};
}

// dup2 clears close-on-exec on the child's copy; every other descriptor of ours stays out of it.
pid_t spawn(const std::string& path, const std::vector<std::string>& arguments, int out, int err) {
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    if (err >= 0)
        posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start " + path + ": " + std::strerror(error));
    return pid;
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Reads what the descriptors give until each reaches end of file, or the deadline. True at end
// of file on all of them.
bool drainUntilClosed(std::vector<std::pair<int, std::string*>> streams, Clock::time_point deadline) {
    while (!streams.empty()) {
        std::vector<pollfd> fds;
        for (const auto& stream : streams)
            fds.push_back({stream.first, POLLIN, 0});
        const int ready = ::poll(fds.data(), fds.size(), remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        for (std::size_t i = fds.size(); i-- > 0;) {
            if (fds[i].revents == 0)
                continue;
            std::array<char, 4096> buffer;
            const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (n > 0 && streams[i].second)
                streams[i].second->append(buffer.data(), static_cast<std::size_t>(n));
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                streams.erase(streams.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return true;
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string programName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

ChildProcess::ChildProcess(std::chrono::milliseconds stopLimit) : m_stopLimit(stopLimit) {}

ChildProcess::~ChildProcess() {
    stop();
}

void ChildProcess::start(const std::string& path, const std::vector<std::string>& arguments, int errFd) {
    const Pipe out = makePipe();
    try {
        m_pid = spawn(path, arguments, out.write, errFd);
    } catch (...) {
        ::close(out.read);
        ::close(out.write);
        throw;
    }
    ::close(out.write);
    m_stdout = out.read;
    m_name = programName(path);
    m_exitStatus = -1;
}

std::string ChildProcess::firstLine(std::chrono::milliseconds limit, const std::string& awaited,
                                    const std::function<std::string()>& detail) {
    const Clock::time_point deadline = Clock::now() + limit;
    std::string received;
    while (received.find('\n') == std::string::npos) {
        pollfd fd{m_stdout, POLLIN, 0};
        const int ready = ::poll(&fd, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        std::array<char, 256> buffer;
        const ssize_t n = ready > 0 ? ::read(m_stdout, buffer.data(), buffer.size()) : 0;
        if (n <= 0) {
            // Read before stopping: what it said about ending is the reason the test wants to see.
            const std::string why = detail ? ": " + detail() : std::string();
            const int status = stop();
            throw std::runtime_error(ready == 0 ? m_name + " gave no " + awaited + " in time"
                                                : m_name + " ended before serving, status " +
                                                      std::to_string(status) + why);
        }
        received.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return received.substr(0, received.find('\n'));
}

int ChildProcess::stop() {
    if (m_pid < 0)
        return m_exitStatus;
    ::kill(m_pid, SIGTERM);
    // Its stdout reaches end of file when it exits; the wait is bounded, unlike waitpid().
    if (!drainUntilClosed({{m_stdout, nullptr}}, Clock::now() + m_stopLimit))
        ::kill(m_pid, SIGKILL);
    m_exitStatus = waitForExit(m_pid);
    ::close(m_stdout);
    m_stdout = -1;
    m_pid = -1;
    return m_exitStatus;
}

ChildProcess::Outcome ChildProcess::run(const std::string& path, const std::vector<std::string>& arguments,
                                        std::chrono::milliseconds limit) {
    const Pipe out = makePipe();
    const Pipe err = makePipe();
    pid_t pid = -1;
    try {
        pid = spawn(path, arguments, out.write, err.write);
    } catch (...) {
        for (int fd : {out.read, out.write, err.read, err.write})
            ::close(fd);
        throw;
    }
    ::close(out.write);
    ::close(err.write);
    Outcome outcome;
    const bool ended =
        drainUntilClosed({{out.read, &outcome.out}, {err.read, &outcome.err}}, Clock::now() + limit);
    if (!ended)
        ::kill(pid, SIGKILL);
    outcome.exitStatus = waitForExit(pid);
    ::close(out.read);
    ::close(err.read);
    if (!ended)
        throw std::runtime_error(programName(path) + " did not end by itself");
    return outcome;
}

}  // namespace vantor::test
