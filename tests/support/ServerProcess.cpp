#include "ServerProcess.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifndef VANTOR_SERVER_PATH
#error "VANTOR_SERVER_PATH must name the vantor-server executable"
#endif

namespace vantor::test {

namespace {

constexpr const char* kScriptPath = "/vantorpc/samplecodes/sql-link.php";

// The log file: created here, opened by the child as its stderr, removed with the process.
int createLogFile(std::string& path) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantor-server-log-XXXXXX").string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(std::string("cannot create the server log: ") + std::strerror(errno));
    path = pattern;
    return fd;
}

}  // namespace

std::string ServerProcess::executable() {
    return VANTOR_SERVER_PATH;
}

std::string ServerProcess::scriptUrl() const {
    return m_baseUrl + kScriptPath;
}

ServerProcess::ServerProcess(const std::vector<std::string>& arguments) {
    const int logFd = createLogFile(m_logPath);
    try {
        m_child.start(executable(), arguments, logFd);
    } catch (...) {
        ::close(logFd);
        std::filesystem::remove(m_logPath);
        throw;
    }
    ::close(logFd);
    try {
        m_baseUrl = m_child.firstLine(kStartLimit, "base URL", [this] { return log(); });
    } catch (...) {
        // The destructor does not run for a server that never served, so its log goes here.
        std::error_code ignored;
        std::filesystem::remove(m_logPath, ignored);
        throw;
    }
}

ServerProcess::~ServerProcess() {
    stop();
    std::error_code ignored;
    std::filesystem::remove(m_logPath, ignored);
}

std::string ServerProcess::log() const {
    std::ifstream in(m_logPath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int ServerProcess::stop() {
    return m_child.stop();
}

ServerProcess::Outcome ServerProcess::run(const std::vector<std::string>& arguments) {
    return ChildProcess::run(executable(), arguments, kStopLimit);
}

}  // namespace vantor::test
