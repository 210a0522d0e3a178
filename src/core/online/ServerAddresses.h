#pragma once

#include <string>

namespace vantor::online {

// Where the maker's servers are. Built-in defaults, overridden by the environment:
// VANTOR_WEB_SERVER (query script, manual, web pages), VANTOR_DOWNLOAD_SERVER (banner,
// installer) and VANTOR_PROBE_URL (the Internet check).
struct ServerAddresses {
    std::string webServer;
    std::string downloadServer;
    std::string probeUrl;

    static ServerAddresses fromEnvironment();
};

// base + path with exactly one '/' between them.
std::string joinUrl(const std::string& base, const std::string& path);

}  // namespace vantor::online
