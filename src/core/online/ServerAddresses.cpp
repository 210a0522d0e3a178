#include "core/online/ServerAddresses.h"

#include <cstdlib>

namespace vantor::online {

namespace {

constexpr const char* kDefaultWebServer = "https://www.vantorusa.com";
constexpr const char* kDefaultDownloadServer = "https://download.vantorusa.com";
// The Internet check only needs some well-known page to open.
constexpr const char* kDefaultProbeUrl = "http://www.example.com/";

std::string fromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return (value && *value) ? std::string(value) : std::string(fallback);
}

}  // namespace

ServerAddresses ServerAddresses::fromEnvironment() {
    return {online::fromEnvironment("VANTOR_WEB_SERVER", kDefaultWebServer),
            online::fromEnvironment("VANTOR_DOWNLOAD_SERVER", kDefaultDownloadServer),
            online::fromEnvironment("VANTOR_PROBE_URL", kDefaultProbeUrl)};
}

std::string joinUrl(const std::string& base, const std::string& path) {
    std::string joined = base;
    while (!joined.empty() && joined.back() == '/')
        joined.pop_back();
    if (path.empty() || path.front() != '/')
        joined += '/';
    return joined + path;
}

}  // namespace vantor::online
