#include "ServerOptions.h"

#include <charconv>

#include "HttpServer.h"
#include "core/app/CommandLine.h"

namespace vantor::server {

namespace {

constexpr int kHighestPort = 65535;

std::optional<int> parsePort(const std::string& text) {
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > kHighestPort)
        return std::nullopt;
    return port;
}

const app::CommandLineRules kRules = {{{"--port", true},
                                       {"--root", true},
                                       {"--database", true},
                                       {"--current-version", true},
                                       {"--software-update", true},
                                       {"--allow-writes"},
                                       {"--help"},
                                       {"-h"},
                                       {"--version"}},
                                      true};

// One option and its value into `options`; "" when taken, else why the command line is refused.
std::string applyOption(const std::string& name, const std::string& value, ServerOptions& options) {
    if (name == "--help" || name == "-h") {
        options.help = true;
    } else if (name == "--version") {
        options.version = true;
    } else if (name == "--allow-writes") {
        options.allowWrites = true;
    } else if (name == "--port") {
        const auto port = parsePort(value);
        if (!port)
            return "--port takes a number from 0 to 65535, not \"" + value + "\"";
        options.port = *port;
    } else if (name == "--root") {
        if (value.empty())
            return "--root needs a folder";
        options.root = value;
    } else if (name == "--database") {
        if (value.empty())
            return "--database needs a file name";
        options.database = value;
    } else if (name == "--current-version") {
        options.currentVersion = value;
    } else {
        options.softwareUpdate = value;
    }
    return "";
}

}  // namespace

OptionsOutcome parseServerOptions(const std::vector<std::string>& args) {
    const app::CommandLine line(args, kRules);
    ServerOptions options;
    // Met in the order given: the first thing wrong is the one said.
    for (std::size_t i = 0; i < line.wordsBeforeFault(); ++i) {
        const app::CommandLineWord& word = line.words()[i];
        if (word.option.empty())
            return {std::nullopt, "unknown argument \"" + word.text + "\" (see --help)"};
        if (const std::string error = applyOption(word.option, word.text, options); !error.empty())
            return {std::nullopt, error};
    }
    if (line.fault() == app::CommandLineFault::MissingValue)
        return {std::nullopt, line.faultOption() + " needs a value"};
    if (line.fault() != app::CommandLineFault::None)
        return {std::nullopt, "unknown argument \"" + line.faultWord() + "\" (see --help)"};
    return {options, {}};
}

std::string serverUsage() {
    return "Usage: vantor-server [--port N] [--root DIR] [--database FILE] [--allow-writes]\n"
           "                     [--current-version TEXT] [--software-update TEXT]\n"
           "\n"
           "Stand-in for the maker's web and download server, on 127.0.0.1 only. Prints its base\n"
           "URL as the first line of stdout, logs one line per request on stderr, and serves until\n"
           "SIGINT or SIGTERM.\n"
           "\n"
           "  --port N                 port to listen on; 0 or none picks a free port\n"
           "  --root DIR               serve the files under DIR (with Range support), e.g.\n"
           "                           DIR/VantorDownload/usaupdatebanner.jpg\n"
           "  --database FILE          the SQLite database; created and seeded when missing\n"
           "                           (default: a temporary one, removed at exit)\n"
           "  --allow-writes           run \"query\" statements that change data (refused otherwise)\n"
           "  --current-version TEXT   CurrentVersion of the 'USA' row (seeded as 3.0)\n"
           "  --software-update TEXT   SoftwareUpdate of the 'USA' row (seeded as N)\n"
           "  --help, --version\n"
           "\n"
           "Limits: a request head must arrive within " +
           std::to_string(HttpServer::kRequestTimeoutMs / 1000) +
           " s, the next request on a kept-alive\n"
           "connection within " +
           std::to_string(HttpServer::kKeepAliveTimeoutMs / 1000) + " s; one client address holds at most " +
           std::to_string(HttpServer::kConnectionsPerClient) +
           " connections\n"
           "(its longest silent ones end first). A Range header asks for one range; several are\n"
           "answered with the whole file.\n"
           "\n"
           "Paths:\n"
           "  /vantorpc/samplecodes/sql-link.php   the query script (POST)\n"
           "  /probe                               answers 200 for the Internet check\n"
           "  everything else                      files under --root\n"
           "\n"
           "Exit status: 0 after a signal; 1 the server could not start; 2 bad arguments.\n";
}

}  // namespace vantor::server
