#pragma once

// The command line of vantor-server.

#include <optional>
#include <string>
#include <vector>

namespace vantor::server {

struct ServerOptions {
    int port = 0;                               // 0: any free port
    std::string root;                           // static files; none served when empty
    std::string database;                       // empty: a temporary database, removed at exit
    bool allowWrites = false;                   // "query" statements are refused without it
    std::optional<std::string> currentVersion;  // sets the seeded row's CurrentVersion
    std::optional<std::string> softwareUpdate;  // sets the seeded row's SoftwareUpdate
    bool help = false;
    bool version = false;
};

struct OptionsOutcome {
    std::optional<ServerOptions> options;
    std::string error;  // one line: why the command line was refused
};

OptionsOutcome parseServerOptions(const std::vector<std::string>& args);
std::string serverUsage();

}  // namespace vantor::server
