#include "ServerOptions.h"

#include <charconv>

#include "HttpServer.h"

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

// "--name value" or "--name=value"; advances i past what it used.
std::optional<std::string> takeValue(const std::vector<std::string>& args, std::size_t& i,
                                     const std::string& name, std::string& error) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=')
        return arg.substr(name.size() + 1);
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return std::nullopt;
    }
    return args[++i];
}

bool names(const std::string& arg, const std::string& name) {
    return arg == name || (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0);
}

}  // namespace

OptionsOutcome parseServerOptions(const std::vector<std::string>& args) {
    ServerOptions options;
    std::string error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--allow-writes") {
            options.allowWrites = true;
        } else if (names(arg, "--port")) {
            const auto value = takeValue(args, i, "--port", error);
            if (!value)
                return {std::nullopt, error};
            const auto port = parsePort(*value);
            if (!port)
                return {std::nullopt, "--port takes a number from 0 to 65535, not \"" + *value + "\""};
            options.port = *port;
        } else if (names(arg, "--root")) {
            const auto value = takeValue(args, i, "--root", error);
            if (!value)
                return {std::nullopt, error};
            if (value->empty())
                return {std::nullopt, "--root needs a folder"};
            options.root = *value;
        } else if (names(arg, "--database")) {
            const auto value = takeValue(args, i, "--database", error);
            if (!value)
                return {std::nullopt, error};
            if (value->empty())
                return {std::nullopt, "--database needs a file name"};
            options.database = *value;
        } else if (names(arg, "--current-version")) {
            const auto value = takeValue(args, i, "--current-version", error);
            if (!value)
                return {std::nullopt, error};
            options.currentVersion = *value;
        } else if (names(arg, "--software-update")) {
            const auto value = takeValue(args, i, "--software-update", error);
            if (!value)
                return {std::nullopt, error};
            options.softwareUpdate = *value;
        } else {
            return {std::nullopt, "unknown argument \"" + arg + "\" (see --help)"};
        }
    }
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
