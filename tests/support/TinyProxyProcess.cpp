#include "TinyProxyProcess.h"

#include <stdlib.h>
#include <unistd.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vantor::test {

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr int kConnectTryMs = 200;

int freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no free port on 127.0.0.1 for tinyproxy");
    return probe.serverPort();
}

bool takesConnections(int port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket.waitForConnected(kConnectTryMs);
}

}  // namespace

std::string TinyProxyProcess::executable() {
    for (const char* candidate : {"/usr/bin/tinyproxy", "/usr/sbin/tinyproxy", "/usr/local/bin/tinyproxy"}) {
        if (::access(candidate, X_OK) == 0)
            return candidate;
    }
    return {};
}

TinyProxyProcess::TinyProxyProcess(const Options& options) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantor-tinyproxy-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a folder for tinyproxy");
    m_folder = pattern;
    m_port = freePort();
    const std::string config = m_folder + "/tinyproxy.conf";
    std::ofstream out(config);
    out << "Port " << m_port << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nLogLevel Info\n"
        << "LogFile \"" << m_folder << "/tinyproxy.log\"\nAllow 127.0.0.1\nDisableViaHeader Yes\n";
    if (options.connectTo443Only)
        out << "ConnectPort 443\n";
    if (options.credentials)
        out << "BasicAuth " << options.credentials->first << " " << options.credentials->second << "\n";
    out.close();
    // -d: in the foreground, so that it is this test's child and ends with it.
    m_child.start(executable(), {"-d", "-c", config}, -1);
    const auto until = std::chrono::steady_clock::now() + kStartLimit;
    while (!takesConnections(m_port)) {
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error("tinyproxy did not take connections on port " + std::to_string(m_port) +
                                     ":\n" + log());
        QThread::msleep(20);  // between tries: it is still starting
    }
}

TinyProxyProcess::~TinyProxyProcess() {
    m_child.stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string TinyProxyProcess::url() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::string TinyProxyProcess::log() const {
    std::ifstream in(m_folder + "/tinyproxy.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace vantor::test
