// vantor-server: the stand-in for the maker's web and download server, for demos and tests.
// Listens on 127.0.0.1 only, prints its base URL as the first line of stdout and serves until
// SIGINT or SIGTERM.

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "HttpServer.h"
#include "ProgramDatabase.h"
#include "QueryScript.h"
#include "ServerOptions.h"

using namespace vantor::server;

namespace {

enum ExitCode { kStopped = 0, kCannotStart = 1, kBadArguments = 2 };

// A database of our own when none is named: created beside the other temporary files and
// removed at exit.
class TemporaryDatabase {
public:
    TemporaryDatabase() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantor-server-XXXXXX.sqlite").string();
        const int fd = ::mkstemps(pattern.data(), static_cast<int>(std::string_view(".sqlite").size()));
        if (fd >= 0) {
            ::close(fd);
            m_path = pattern;
        }
    }
    ~TemporaryDatabase() {
        if (m_path.empty())
            return;
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
        std::filesystem::remove(m_path + "-journal", ignored);
    }
    TemporaryDatabase(const TemporaryDatabase&) = delete;
    TemporaryDatabase& operator=(const TemporaryDatabase&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The stop signals are taken by sigwait() in the main thread; CivetWeb's threads, started after
// this, inherit the blocked mask and never see them.
sigset_t blockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the server
    return stopSignals;
}

int serve(const ServerOptions& options) {
    if (!options.root.empty() && !std::filesystem::is_directory(options.root)) {
        std::cerr << "vantor-server: --root " << options.root << " is not a folder\n";
        return kBadArguments;
    }
    TemporaryDatabase temporary;
    const std::string databasePath = options.database.empty() ? temporary.path() : options.database;
    if (databasePath.empty()) {
        std::cerr << "vantor-server: cannot create a temporary database\n";
        return kCannotStart;
    }
    const ProgramDatabase database(databasePath);
    if (const std::string error = database.prepare(options.currentVersion, options.softwareUpdate);
        !error.empty()) {
        std::cerr << "vantor-server: cannot use the database " << databasePath << ": " << error << "\n";
        return kBadArguments;
    }

    const sigset_t stopSignals = blockStopSignals();
    const QueryScript script(database, options.allowWrites);
    HttpServer server(script);
    if (const std::string error = server.start({options.port, options.root}); !error.empty()) {
        std::cerr << "vantor-server: " << error << "\n";
        return kCannotStart;
    }
    std::cout << server.baseUrl() << std::endl;
    std::cerr << "vantor-server: serving " << server.baseUrl() << "; database " << databasePath << "; files "
              << (options.root.empty() ? std::string("none") : options.root) << "; writes "
              << (options.allowWrites ? "allowed" : "refused") << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    std::cerr << "vantor-server: stopping" << std::endl;
    server.stop();
    return kStopped;
}

}  // namespace

int main(int argc, char** argv) {
    const OptionsOutcome outcome = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!outcome.options) {
        std::cerr << "vantor-server: " << outcome.error << "\n";
        return kBadArguments;
    }
    if (outcome.options->help) {
        std::cout << serverUsage();
        return kStopped;
    }
    if (outcome.options->version) {
        std::cout << "vantor-server " << VANTOR_VERSION << "\n";
        return kStopped;
    }
    return serve(*outcome.options);
}
