#include "HttpServer.h"

#include <arpa/inet.h>
#include <civetweb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "ConnectionLimit.h"
#include "FileRoot.h"
#include "QueryScript.h"
#include "StaticFiles.h"
#include "TextReply.h"
#include "core/online/modQuery.h"

namespace vantor::server {

namespace {

constexpr std::size_t kReadChunk = 16 * 1024;
constexpr const char* kLoopback = "127.0.0.1";

constexpr std::chrono::milliseconds kWakeInterval{20};

std::mutex g_logMutex;
// What the handler of the current request wants in its log line; the request is logged on the
// same worker thread once it has been answered.
thread_local std::string t_requestNote;

// Request lines are decoded from the client's URL: control characters in them must not break
// the log into lines of the client's making.
void writeLogLine(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::lock_guard<std::mutex> lock(g_logMutex);
    std::fprintf(stderr, "%s %s\n", stamp, line.c_str());
    std::fflush(stderr);
}

// The whole body, on the heap (worker threads have small stacks). False when it is larger than
// the script accepts.
bool readBody(mg_connection* connection, long long announced, std::string& body) {
    if (announced > static_cast<long long>(QueryScript::kMaxBodyBytes))
        return false;
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        const int n = mg_read(connection, chunk.data(), chunk.size());
        if (n <= 0)
            return true;
        body.append(chunk.data(), static_cast<std::size_t>(n));
        if (body.size() > QueryScript::kMaxBodyBytes)
            return false;
    }
}

// Opens and at once closes a connection to our own listener.
void connectOnce(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
}

// The client connections to `port` that CivetWeb holds, queued ones included: it keeps their
// sockets to itself (and tells nothing of a connection before its request), so they are found
// among the process's own, through Linux's /proc. Elsewhere none is found and no limit applies.
std::vector<HeldConnection> heldConnections(int port) {
    std::vector<HeldConnection> held;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        sockaddr_in mine{};
        sockaddr_in theirs{};
        socklen_t length = sizeof mine;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&mine), &length) != 0 ||
            mine.sin_family != AF_INET || ntohs(mine.sin_port) != port)
            continue;
        length = sizeof theirs;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &length) != 0)
            continue;  // the listener
        tcp_info info{};
        length = sizeof info;
        // A connection already ended (by us or the client) holds nothing any more.
        if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
            info.tcpi_state != TCP_ESTABLISHED)
            continue;
        char address[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &theirs.sin_addr, address, sizeof address);
        held.push_back({fd, address, info.tcpi_last_data_recv});
    }
    return held;
}

std::string addressOf(int fd) {
    sockaddr_in theirs{};
    socklen_t length = sizeof theirs;
    char address[INET_ADDRSTRLEN] = {};
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&theirs), &length) == 0)
        ::inet_ntop(AF_INET, &theirs.sin_addr, address, sizeof address);
    return address;
}

}  // namespace

HttpServer::HttpServer(const QueryScript& script) : m_script(script) {}

HttpServer::~HttpServer() {
    stop();
}

std::string HttpServer::start(const Settings& settings) {
    const std::string ports = std::string(kLoopback) + ":" + std::to_string(settings.port);
    const std::string threads = std::to_string(kWorkerThreads);
    const std::string timeout = std::to_string(kRequestTimeoutMs);
    const std::string keepAlive = std::to_string(kKeepAliveTimeoutMs);
    std::vector<const char*> options = {"listening_ports", ports.c_str(), "num_threads", threads.c_str(),
                                        "request_timeout_ms", timeout.c_str(), "keep_alive_timeout_ms",
                                        keepAlive.c_str(), "enable_keep_alive", "yes",
                                        // Headers and body go out in separate writes; without this
                                        // every reply waits for the client's delayed ACK (~40 ms).
                                        "tcp_nodelay", "1", "enable_directory_listing", "no",
                                        // Files are served as they are: no CGI programs, no
                                        // server-side includes (whose exec runs commands).
                                        "cgi_pattern", "", "cgi2_pattern", "", "ssi_pattern", ""};
    // No document_root: CivetWeb serves no file itself.
    m_files.reset();
    m_root.reset();
    if (!settings.root.empty()) {
        m_root = std::make_unique<FileRoot>(settings.root);
        if (!m_root->valid())
            return "cannot open the folder " + settings.root;
        m_files = std::make_unique<StaticFiles>(*m_root);
    }
    options.push_back(nullptr);

    mg_callbacks callbacks{};
    callbacks.init_connection = &HttpServer::initConnection;
    callbacks.begin_request = &HttpServer::beginRequest;
    callbacks.end_request = &HttpServer::logRequest;
    callbacks.log_message = &HttpServer::logMessage;

    mg_init_library(0);
    m_context = mg_start(&callbacks, this, options.data());
    if (!m_context) {
        mg_exit_library();
        return "cannot listen on " + ports + " (is the port in use?)";
    }
    mg_set_request_handler(m_context, std::string(online::kQueryScriptPath).c_str(), &HttpServer::handleQuery,
                           this);
    mg_set_request_handler(m_context, kProbePath, &HttpServer::handleProbe, this);

    mg_server_port listening[4] = {};
    const int count = mg_get_server_ports(m_context, 4, listening);
    m_port.store(count > 0 ? listening[0].port : settings.port);
    return {};
}

void HttpServer::stop() {
    if (!m_context)
        return;
    // CivetWeb's listener looks at the stop request only between connections or every two
    // seconds; connecting to it meanwhile lets it stop at once.
    std::atomic<bool> stopped{false};
    std::thread waker([this, &stopped] {
        while (!stopped.load()) {
            std::this_thread::sleep_for(kWakeInterval);
            if (!stopped.load())
                connectOnce(m_port);
        }
    });
    mg_stop(m_context);
    stopped.store(true);
    waker.join();
    m_context = nullptr;
    mg_exit_library();
}

std::string HttpServer::baseUrl() const {
    return "http://" + std::string(kLoopback) + ":" + std::to_string(m_port.load());
}

// Called on a worker for each new connection, before its request is read.
int HttpServer::initConnection(const mg_connection* connection, void**) {
    const auto* self = static_cast<const HttpServer*>(mg_get_user_data(mg_get_context(connection)));
    static std::mutex counting;  // two workers must not both cut the same address's excess
    const std::lock_guard<std::mutex> lock(counting);
    for (const int fd : ConnectionsOverLimit(heldConnections(self->m_port.load()), kConnectionsPerClient,
                                             kConnectionsInAll)) {
        writeLogLine(addressOf(fd) + " connection ended: too many held at once (" +
                     std::to_string(kConnectionsPerClient) + " an address, " +
                     std::to_string(kConnectionsInAll) + " in all)");
        ::shutdown(fd, SHUT_RDWR);
    }
    return 0;
}

int HttpServer::beginRequest(mg_connection* connection) {
    t_requestNote.clear();
    const auto* self = static_cast<const HttpServer*>(mg_get_user_data(mg_get_context(connection)));
    const mg_request_info* request = mg_get_request_info(connection);
    const char* path = request->local_uri;
    if (path && (std::strcmp(path, kProbePath) == 0 || online::kQueryScriptPath == path))
        return 0;  // CivetWeb goes on to their handlers
    if (!self->m_files) {
        constexpr int kNotFound = 404;
        SendText(connection, kNotFound, "text/plain", "Not found.\n");
        return kNotFound;
    }
    return self->m_files->serve(connection, t_requestNote);
}

int HttpServer::handleQuery(mg_connection* connection, void* self) {
    const QueryScript& script = static_cast<HttpServer*>(self)->m_script;
    const mg_request_info* request = mg_get_request_info(connection);
    if (std::strcmp(request->request_method, "POST") != 0) {
        constexpr int kMethodNotAllowed = 405;
        SendText(connection, kMethodNotAllowed, "text/plain", "The query script takes POST requests.\n");
        t_requestNote = "not a POST";
        return kMethodNotAllowed;
    }
    const char* contentType = mg_get_header(connection, "Content-Type");
    std::string body;
    const ScriptReply reply = readBody(connection, request->content_length, body)
                                  ? script.answer(contentType ? contentType : "", body)
                                  : QueryScript::bodyTooLarge();
    SendText(connection, reply.status, "text/plain", reply.body);
    t_requestNote = reply.note;
    return reply.status;
}

int HttpServer::handleProbe(mg_connection* connection, void*) {
    constexpr int kOk = 200;
    SendText(connection, kOk, "text/plain", "vantor-server\n");
    return kOk;
}

void HttpServer::logRequest(const mg_connection* connection, int status) {
    const mg_request_info* request = mg_get_request_info(connection);
    std::string line = std::string(request->remote_addr) + " \"" +
                       (request->request_method ? request->request_method : "?") + " " +
                       (request->request_uri ? request->request_uri : "?") + "\" " + std::to_string(status);
    if (!t_requestNote.empty())
        line += " " + std::exchange(t_requestNote, {});
    writeLogLine(line);
}

int HttpServer::logMessage(const mg_connection*, const char* message) {
    writeLogLine(std::string("civetweb: ") + message);
    return 1;
}

}  // namespace vantor::server
