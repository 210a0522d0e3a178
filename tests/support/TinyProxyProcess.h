#pragma once

// tinyproxy (Debian package tinyproxy) as a child process: a real forward proxy on 127.0.0.1, on a
// free port, with a configuration file of the test's own, between the program and a server.

#include <optional>
#include <string>

#include "ChildProcess.h"

namespace vantor::test {

class TinyProxyProcess {
public:
    struct Options {
        // Like squid's default rules: CONNECT tunnels to port 443 only.
        bool connectTo443Only = false;
        // The proxy asks for these (407 until they come).
        std::optional<std::pair<std::string, std::string>> credentials{};
    };

    // The executable, or empty when tinyproxy is not installed.
    static std::string executable();

    // Starts the proxy and waits until it takes connections. Throws std::runtime_error when it
    // cannot start.
    explicit TinyProxyProcess(const Options& options);
    ~TinyProxyProcess();
    TinyProxyProcess(const TinyProxyProcess&) = delete;
    TinyProxyProcess& operator=(const TinyProxyProcess&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:PORT", as a proxy setting names it.
    std::string url() const;
    // What the proxy logged so far: one line for every request it took.
    std::string log() const;

private:
    std::string m_folder;
    int m_port = 0;
    ChildProcess m_child{std::chrono::seconds(10)};
};

}  // namespace vantor::test
