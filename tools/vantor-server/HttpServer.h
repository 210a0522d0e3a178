#pragma once

// The web server: CivetWeb on 127.0.0.1 with the query script, the probe page and the static
// files (CivetWeb serves those itself, Range requests included, and serves them as they are:
// nothing under the root is run as a script or has includes expanded). Every request is logged
// as one line on stderr.

#include <string>

struct mg_context;
struct mg_connection;

namespace vantor::server {

class QueryScript;

class HttpServer {
public:
    static constexpr const char* kProbePath = "/probe";
    // A worker serves one connection at a time, and a client that sends its request slowly
    // holds one until the request time-out: enough of them that a few dozen such clients still
    // leave workers free for the program's queries.
    static constexpr int kWorkerThreads = 64;
    static constexpr int kRequestTimeoutMs = 30000;

    struct Settings {
        int port = 0;      // 0: any free port
        std::string root;  // empty: no static files
    };

    explicit HttpServer(const QueryScript& script) : m_script(script) {}
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts listening; returns why it could not, empty on success.
    std::string start(const Settings& settings);
    void stop();

    int port() const { return m_port; }
    std::string baseUrl() const;

private:
    static int beginRequest(mg_connection* connection);
    // CivetWeb keeps ".." out of the path but follows symbolic links wherever they point: a file
    // is only served when its real location lies under the real root.
    bool outsideRoot(const char* localUri) const;
    static int handleQuery(mg_connection* connection, void* self);
    static int handleProbe(mg_connection* connection, void* self);
    static void logRequest(const mg_connection* connection, int status);
    static int logMessage(const mg_connection* connection, const char* message);

    const QueryScript& m_script;
    std::string m_realRoot;  // the root with every link resolved; empty: no static files
    mg_context* m_context = nullptr;
    int m_port = 0;
};

}  // namespace vantor::server
