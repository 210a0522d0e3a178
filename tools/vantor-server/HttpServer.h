#pragma once

// The web server: CivetWeb on 127.0.0.1 with the query script, the probe page and the static
// files (served by StaticFiles as they are: nothing under the root is run as a script or has
// includes expanded). Every request is logged as one line on stderr.

#include <atomic>
#include <memory>
#include <string>

struct mg_context;
struct mg_connection;

namespace vantor::server {

class FileRoot;
class QueryScript;
class StaticFiles;

class HttpServer {
public:
    static constexpr const char* kProbePath = "/probe";
    // A worker serves one connection at a time, and a connection that sends nothing holds one
    // until a time-out: a request's head must arrive within kRequestTimeoutMs of its first byte
    // being awaited, the next request on a kept-alive connection within kKeepAliveTimeoutMs, and
    // one address holds at most kConnectionsPerClient connections, and all addresses together
    // kConnectionsInAll, fewer than the workers: however many addresses idle and slow clients
    // come from, workers stay free for the program's queries.
    // The request time-out also bounds each write of a reply to a client that stops reading.
    static constexpr int kWorkerThreads = 256;
    static constexpr int kRequestTimeoutMs = 5000;
    static constexpr int kKeepAliveTimeoutMs = 5000;
    static constexpr int kConnectionsPerClient = 32;
    static constexpr int kConnectionsInAll = kWorkerThreads * 3 / 4;

    struct Settings {
        int port = 0;      // 0: any free port
        std::string root;  // empty: no static files
    };

    explicit HttpServer(const QueryScript& script);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts listening; returns why it could not, empty on success.
    std::string start(const Settings& settings);
    void stop();

    int port() const { return m_port; }
    std::string baseUrl() const;

private:
    static int initConnection(const mg_connection* connection, void** data);
    static int beginRequest(mg_connection* connection);
    static int handleQuery(mg_connection* connection, void* self);
    static int handleProbe(mg_connection* connection, void* self);
    static void logRequest(const mg_connection* connection, int status);
    static int logMessage(const mg_connection* connection, const char* message);

    const QueryScript& m_script;
    std::unique_ptr<FileRoot> m_root;  // none: no static files
    std::unique_ptr<StaticFiles> m_files;
    mg_context* m_context = nullptr;
    std::atomic<int> m_port{0};  // read by the workers
};

}  // namespace vantor::server
