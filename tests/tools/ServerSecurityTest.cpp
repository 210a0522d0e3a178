// vantor-server facing a hostile client on 127.0.0.1: statements that would change or reach
// beyond its database, bodies too large or malformed, paths that climb out of its root by dots,
// encodings or symbolic links (swapped while it serves, too), ranges that do not fit the file,
// and connections that hold on and send nothing. Each is refused or answered by the rules, and the
// next client is served as if nothing had happened. Requests are written byte for byte: a URL
// class would tidy the attacks away. Every address in 127.0.0.0/8 reaches the server, and each is
// a client of its own to it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/online/UpdateQueries.h"
#include "core/online/modQuery.h"
#include "support/OnlineTestSupport.h"
#include "support/ServerProcess.h"

using namespace vantor;
using namespace vantor::online;
using test::ServerProcess;
using test::waitForQuery;
namespace fs = std::filesystem;

namespace {

constexpr int kReceiveLimitSeconds = 5;
constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;
const std::string kSecret = "the contents of a file outside the root";

struct RawAnswer {
    int status = 0;  // 0: no status line came back
    std::string text;
};

int portOf(const ServerProcess& server) {
    return std::stoi(server.baseUrl().substr(server.baseUrl().rfind(':') + 1));
}

// A connection from `source`, any loopback address.
int connectTo(int port, const std::string& source = "127.0.0.1") {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval limit{kReceiveLimitSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    if (::inet_pton(AF_INET, source.c_str(), &from.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
        ::close(fd);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True once the head and the body its Content-Length announces have arrived: a server that
// refuses a body may keep the connection open for the rest of it.
bool wholeAnswer(const std::string& text) {
    const std::size_t headEnd = text.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return false;
    std::string head = text.substr(0, headEnd);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t field = head.find("\r\ncontent-length:");
    if (field == std::string::npos)
        return false;
    const std::size_t length = std::strtoull(head.c_str() + field + 17, nullptr, 10);
    return text.size() >= headEnd + 4 + length;
}

// Sends `request` as it stands and reads the answer until it is whole, the server closes, or it
// goes quiet for kReceiveLimitSeconds.
RawAnswer sendRaw(int port, const std::string& request) {
    RawAnswer answer;
    const int fd = connectTo(port);
    if (fd < 0)
        return answer;
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;  // the server may refuse before reading everything
        sent += static_cast<std::size_t>(n);
    }
    char buffer[16 * 1024];
    while (answer.text.size() < kMaxAnswerBytes && !wholeAnswer(answer.text)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        answer.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (answer.text.starts_with("HTTP/1.") && answer.text.size() >= 12)
        answer.status = std::atoi(answer.text.c_str() + 9);
    return answer;
}

std::string headerOf(const std::string& head, std::string name) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t at = lower.find("\r\n" + name + ":");
    if (at == std::string::npos)
        return {};
    const std::size_t start = head.find_first_not_of(' ', at + name.size() + 3);
    return head.substr(start, head.find("\r\n", start) - start);
}

// One connection kept alive over several requests: each reply is read exactly as far as its head
// announces, so a reply that sends more or less than it announces shows in the next one.
class KeptConnection {
public:
    struct Reply {
        int status = 0;  // 0: no whole reply came back
        std::string head;
        std::string body;
    };

    explicit KeptConnection(int port, const std::string& source = "127.0.0.1")
        : m_fd(connectTo(port, source)) {}
    ~KeptConnection() { ::close(m_fd); }
    KeptConnection(const KeptConnection&) = delete;
    KeptConnection& operator=(const KeptConnection&) = delete;

    Reply get(const std::string& target, const std::string& headers = {}) {
        const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
        if (::send(m_fd, request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size()))
            return {};
        Reply reply;
        std::size_t headEnd = std::string::npos;
        while ((headEnd = m_pending.find("\r\n\r\n")) == std::string::npos)
            if (!receive())
                return {};
        reply.head = m_pending.substr(0, headEnd + 2);
        m_pending.erase(0, headEnd + 4);
        reply.status = std::atoi(reply.head.c_str() + 9);
        // A 304 announces the length of the file it does not send.
        const long long length =
            reply.status == 304 ? 0 : std::atoll(headerOf(reply.head, "Content-Length").c_str());
        if (length < 0 || !reply.head.starts_with("HTTP/1.1 "))
            return {};
        while (m_pending.size() < static_cast<std::size_t>(length))
            if (!receive())
                return {};
        reply.body = m_pending.substr(0, static_cast<std::size_t>(length));
        m_pending.erase(0, static_cast<std::size_t>(length));
        return reply;
    }

private:
    bool receive() {
        char buffer[64 * 1024];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        m_pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int m_fd;
    std::string m_pending;
};

// True once the server has ended the connection (by `limit`); what it still sends before is read
// and dropped.
bool endedByServer(int fd, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) != 1)
            return false;
        char buffer[1024];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return n == 0;
    }
}

RawAnswer get(int port, const std::string& target) {
    return sendRaw(port, "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

RawAnswer post(int port, const std::string& contentType, const std::string& body) {
    return sendRaw(port,
                   "POST /vantorpc/samplecodes/sql-link.php HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " +
                       contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nConnection: close\r\n\r\n" + body);
}

class ServerSecurity : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    void SetUp() override {
        ASSERT_TRUE(m_top.isValid());
        m_root = fs::path(m_top.path().toStdString()) / "root";
        fs::create_directories(m_root / "VantorDownload");
        std::ofstream(m_root / "VantorDownload" / "VantorUSA_APROM.hex") << ":00000001FF\n";
        std::ofstream(fs::path(m_top.path().toStdString()) / "secret.txt") << kSecret;
        fs::create_directories(fs::path(m_top.path().toStdString()) / "outside");
        std::ofstream(fs::path(m_top.path().toStdString()) / "outside" / "secret.txt") << kSecret;
    }

    void start(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--root", m_root.string()});
        m_server = std::make_unique<ServerProcess>(extra);
        m_port = portOf(*m_server);
    }

    // The server still does its work for a well-behaved client: a check and a file.
    void expectStillServing(const std::string& after) {
        QueryChannel channel(QUrl(QString::fromStdString(m_server->scriptUrl())));
        const QueryResult result = waitForQuery(channel, std::string(kCurrentVersionStatement));
        EXPECT_EQ(AnswerText(result.rows), "3.0") << "after " << after;
        const RawAnswer file = get(m_port, "/VantorDownload/VantorUSA_APROM.hex");
        EXPECT_EQ(file.status, 200) << "after " << after;
        EXPECT_NE(file.text.find(":00000001FF"), std::string::npos) << "after " << after;
    }

    // `count` clients that each send `start` and then nothing more; their sockets.
    std::vector<int> stall(int count, const std::string& start) const {
        std::vector<int> clients;
        for (int i = 0; i < count; ++i) {
            const int fd = connectTo(m_port);
            EXPECT_GE(fd, 0);
            EXPECT_GT(::send(fd, start.data(), start.size(), MSG_NOSIGNAL), 0);
            clients.push_back(fd);
        }
        return clients;
    }

    QTemporaryDir m_top;
    fs::path m_root;
    std::unique_ptr<ServerProcess> m_server;
    int m_port = 0;
};

TEST_F(ServerSecurity, TheReadingFieldTakesOnlyOneStatementThatReads) {
    const fs::path beside = fs::path(m_top.path().toStdString()) / "made-by-a-client.sqlite";
    start({"--allow-writes"});  // even a writable server reads "rquery" on its read-only connection
    QueryChannel channel(QUrl(QString::fromStdString(m_server->scriptUrl())));
    for (const std::string& statement :
         {std::string("DELETE FROM VantorPCPrograms"),
          std::string("UPDATE VantorPCPrograms SET CurrentVersion = '9.9'"),
          std::string("SELECT 1; DELETE FROM VantorPCPrograms"), std::string("SELECT 1; SELECT 2"),
          std::string("SELECT 1 /* */ ; UPDATE VantorPCPrograms SET CurrentVersion = '9.9'"),
          std::string("WITH x AS (SELECT 1) DELETE FROM VantorPCPrograms"),
          std::string("DROP TABLE VantorPCPrograms"), std::string("CREATE TABLE t (x)"),
          std::string("CREATE TEMP TABLE t (x)"), "ATTACH DATABASE '" + beside.string() + "' AS other",
          "VACUUM INTO '" + beside.string() + "'", std::string("SELECT load_extension('/nonexistent.so')"),
          // Settings of the whole process: one would make every later query fail.
          std::string("PRAGMA hard_heap_limit = 1"), std::string("SELECT * FROM pragma_hard_heap_limit(1)"),
          std::string("PRAGMA soft_heap_limit = 1"), std::string("SELECT name FROM sqlite_master"),
          std::string("")}) {
        const QueryResult result = waitForQuery(channel, statement);
        EXPECT_TRUE(result.rows.empty()) << statement;
        EXPECT_FALSE(result.message.empty()) << statement;
        EXPECT_EQ(result.failure, "") << statement;
        EXPECT_FALSE(fs::exists(beside)) << statement;
        expectStillServing(statement);
    }
}

TEST_F(ServerSecurity, BodiesOver64KiBAreRefusedHoweverTheyAreSent) {
    start();
    const std::string big(70 * 1024, 'x');
    const std::string field = "--AaB03x\r\ncontent-disposition: form-data; name=\"rquery\"\r\n\r\n";

    // Announced: refused from the header, before the body is read.
    const RawAnswer announced = post(m_port, "multipart/form-data, boundary=AaB03x", field + big);
    EXPECT_EQ(announced.status, 413) << announced.text.substr(0, 200);
    expectStillServing("an announced large body");

    // A length that no body will ever match.
    const RawAnswer huge = sendRaw(m_port,
                                   "POST /vantorpc/samplecodes/sql-link.php HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                   "Content-Type: multipart/form-data, boundary=AaB03x\r\n"
                                   "Content-Length: 99999999999\r\nConnection: close\r\n\r\n" +
                                       field);
    EXPECT_EQ(huge.status, 413) << huge.text.substr(0, 200);
    expectStillServing("an enormous Content-Length");

    // Chunked: no length to refuse up front, so the reading stops at the limit.
    std::string chunked =
        "POST /vantorpc/samplecodes/sql-link.php HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        "Content-Type: multipart/form-data, boundary=AaB03x\r\n"
        "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    const std::string whole = field + big;
    for (std::size_t at = 0; at < whole.size(); at += 4096) {
        const std::string piece = whole.substr(at, 4096);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        chunked += size + piece + "\r\n";
    }
    chunked += "0\r\n\r\n";
    const RawAnswer streamed = sendRaw(m_port, chunked);
    EXPECT_EQ(streamed.status, 413) << streamed.text.substr(0, 200);
    expectStillServing("a chunked large body");
}

TEST_F(ServerSecurity, MalformedBodiesAreABadRequest) {
    start();
    const std::string type = "multipart/form-data, boundary=AaB03x";
    const std::vector<std::pair<std::string, std::string>> bodies = {
        {type, "--AaB03x\r\ncontent-disposition: form-data; name=\"rquery\""},  // headers never end
        {type, "--AaB03x--\r\n"},                                               // closing delimiter only
        {type, "--AaB03x\r\ncontent-disposition: form-data; name=\"other\"\r\n\r\nx\r\n--AaB03x--"},
        {type, "no delimiter at all"},
        {"multipart/form-data", "no boundary anywhere"},
        {"multipart/form-data; boundary=", "--\r\n\r\n"},
        {type, std::string(1000, '-')},
        {type, std::string("--AaB03x\r\n\0\xff\r\n\r\n", 14)},
        {type, ""},
    };
    for (const auto& [contentType, body] : bodies) {
        const RawAnswer answer = post(m_port, contentType, body);
        EXPECT_EQ(answer.status, 400) << contentType << " / " << body << "\n" << answer.text.substr(0, 200);
        expectStillServing("a malformed body");
    }
    // The program's own body stays welcome.
    const RawAnswer good = post(m_port, std::string(kQueryContentType),
                                BuildQueryBody(kFetchField, std::string(kCurrentVersionStatement)));
    EXPECT_EQ(good.status, 200);
}

TEST_F(ServerSecurity, NoPathLeadsOutOfTheRoot) {
    fs::create_symlink(fs::path(m_top.path().toStdString()) / "secret.txt",
                       m_root / "VantorDownload" / "link.txt");
    fs::create_directory_symlink(fs::path(m_top.path().toStdString()) / "outside", m_root / "outside");
    fs::create_symlink("/etc/passwd", m_root / "passwd");
    // A link that stays inside the root is an ordinary file.
    fs::create_symlink(m_root / "VantorDownload" / "VantorUSA_APROM.hex",
                       m_root / "VantorDownload" / "alias.hex");
    start();
    for (const char* target : {"/../secret.txt",
                               "/VantorDownload/../../secret.txt",
                               "/%2e%2e/secret.txt",
                               "/%2E%2E/secret.txt",
                               "/VantorDownload/%2e%2e/%2e%2e/secret.txt",
                               "/%2e%2e%2fsecret.txt",
                               "/..%2fsecret.txt",
                               "/VantorDownload%2f..%2f..%2fsecret.txt",
                               "/..%5csecret.txt",
                               "/%2e%2e%5csecret.txt",
                               "/.%2e/secret.txt",
                               "/%252e%252e/secret.txt",
                               "/..;/secret.txt",
                               "/./../secret.txt",
                               "/VantorDownload/link.txt",
                               "/outside/secret.txt",
                               "/outside/",
                               "/passwd",
                               "/%2fetc/passwd",
                               "//etc/passwd",
                               "/VantorDownload/link.txt%00.hex",
                               "/outside%2fsecret.txt"}) {
        const RawAnswer answer = get(m_port, target);
        EXPECT_TRUE(answer.status >= 400 && answer.status < 500) << target << " gave " << answer.status;
        EXPECT_EQ(answer.text.find(kSecret), std::string::npos) << target;
        EXPECT_EQ(answer.text.find("root:x:0:0"), std::string::npos) << target;
        expectStillServing(target);
    }
    const RawAnswer alias = get(m_port, "/VantorDownload/alias.hex");
    EXPECT_EQ(alias.status, 200);
    EXPECT_NE(alias.text.find(":00000001FF"), std::string::npos);
}

TEST_F(ServerSecurity, FilesAreServedAsTheyAreNeverRunOrExpanded) {
    const fs::path script = m_root / "t.cgi";
    // What it would print is not written in it: "ran 42" shows only when it is run.
    std::ofstream(script) << "#!/bin/sh\nprintf 'Content-Type: text/plain\\r\\n\\r\\nran %d\\n' $((6 * 7))\n";
    fs::permissions(script, fs::perms::owner_all);
    std::ofstream(m_root / "page.shtml") << "<p><!--#exec \"id\"--></p>\n";
    start();

    const RawAnswer cgi = get(m_port, "/t.cgi");
    EXPECT_EQ(cgi.text.find("ran 42"), std::string::npos) << cgi.text;
    if (cgi.status == 200) {
        EXPECT_NE(cgi.text.find("#!/bin/sh"), std::string::npos) << "the file itself";
    }
    const RawAnswer page = get(m_port, "/page.shtml");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.text.find("<!--#exec \"id\"-->"), std::string::npos) << page.text;
    EXPECT_EQ(page.text.find("uid="), std::string::npos) << "id was run: " << page.text;
}

TEST_F(ServerSecurity, IdleAndSlowClientsLeaveWorkersForTheProgramsQuery) {
    start();
    // A hundred connections that send nothing, and 32 that send the start of a request and then
    // nothing more, from addresses of their own (20 and 16 to an address, under the limit an
    // address may hold): each holds a worker until the server's time-out.
    std::vector<int> held;
    for (int i = 0; i < 100; ++i) {
        held.push_back(connectTo(m_port, "127.0.1." + std::to_string(1 + i / 20)));
        ASSERT_GE(held.back(), 0);
    }
    const std::string slowStart = "GET /probe HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: 1\r\n";
    for (int i = 0; i < 32; ++i) {
        held.push_back(connectTo(m_port, "127.0.2." + std::to_string(1 + i / 16)));
        ASSERT_GT(::send(held.back(), slowStart.data(), slowStart.size(), MSG_NOSIGNAL), 0);
    }
    // Connections are taken in the order they came: the query's comes after all of them. The
    // limit is far above what a free worker needs (the time itself is measured in bench/).
    QueryChannel channel(QUrl(QString::fromStdString(m_server->scriptUrl())));
    channel.setRequestLimit(std::chrono::seconds(10));
    const QueryResult result = waitForQuery(channel, std::string(kCurrentVersionStatement));
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(AnswerText(result.rows), "3.0");
    for (const int fd : held)
        ::close(fd);
}

TEST_F(ServerSecurity, AConnectionThatStaysSilentIsEndedWithinSeconds) {
    start();
    const int silent = connectTo(m_port);  // never sends a request
    ASSERT_GE(silent, 0);
    const int kept = connectTo(m_port);  // one request, then nothing
    const std::string request = "GET /probe HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    ASSERT_GT(::send(kept, request.data(), request.size(), MSG_NOSIGNAL), 0);
    char reply[256];
    ASSERT_GT(::recv(kept, reply, sizeof reply, 0), 0);
    EXPECT_TRUE(endedByServer(silent, std::chrono::seconds(15)));
    EXPECT_TRUE(endedByServer(kept, std::chrono::seconds(15)));
    ::close(silent);
    ::close(kept);
}

TEST_F(ServerSecurity, AnAddressHoldsAtMost32Connections) {
    start();
    std::vector<int> flood;
    for (int i = 0; i < 40; ++i) {
        flood.push_back(connectTo(m_port, "127.0.3.1"));
        ASSERT_GE(flood.back(), 0);
    }
    // Another client is served, and by the time it is, the excess of the first has been ended.
    expectStillServing("40 connections from one address");
    std::vector<pollfd> watched;
    for (const int fd : flood)
        watched.push_back({fd, POLLIN, 0});
    int ended = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ended < 8 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(watched.data(), watched.size(), 1000) <= 0)
            continue;
        for (pollfd& entry : watched) {
            char byte = 0;
            if (entry.fd >= 0 && entry.revents != 0 && ::recv(entry.fd, &byte, 1, MSG_DONTWAIT) == 0) {
                ++ended;
                entry.fd = -1;  // poll() skips it from now on
            }
        }
    }
    EXPECT_GE(ended, 8);  // more only when the test ran past the server's time-out for silence
    for (const int fd : flood)
        ::close(fd);
}

TEST_F(ServerSecurity, ALinkSwappedWhileServingNeverLeadsOutOfTheRoot) {
    const fs::path outside = fs::path(m_top.path().toStdString()) / "secret.txt";
    std::ofstream(m_root / "inside.txt") << "inside";
    const fs::path link = m_root / "swap.txt";
    fs::create_symlink(m_root / "inside.txt", link);
    start();
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        const fs::path next = m_root / "swap.next";
        std::error_code ignored;
        for (bool out = true; !done.load(); out = !out) {
            fs::remove(next, ignored);
            fs::create_symlink(out ? outside : m_root / "inside.txt", next, ignored);
            fs::rename(next, link, ignored);  // the link changes in one step
        }
    });
    KeptConnection client(m_port);
    int served = 0;
    int leaked = 0;
    for (int i = 0; i < 2000; ++i) {
        const KeptConnection::Reply reply = client.get("/swap.txt");
        if (reply.status == 0) {
            ADD_FAILURE() << "no whole reply after " << i << " requests";
            break;  // the swapper must still be stopped and joined
        }
        served += reply.status == 200 ? 1 : 0;
        leaked += reply.body.find(kSecret) != std::string::npos ? 1 : 0;
    }
    done.store(true);
    swapper.join();
    EXPECT_EQ(leaked, 0);
    EXPECT_GT(served, 0) << "the link never led inside while asked: nothing was tried";
}

TEST_F(ServerSecurity, RangeRepliesSendExactlyWhatTheyAnnounce) {
    std::string content(1048576, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + i / 256);
    std::ofstream(m_root / "big.bin", std::ios::binary) << content;
    start();
    struct Case {
        std::string range;
        int status;
        std::string contentRange;
        std::size_t first;
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {"bytes=5-2", 200, "", 0, 1048576},  // not a range: ignored
        {"bytes=1048576-", 416, "bytes */1048576", 0, 0},
        {"bytes=0-18446744073709551615", 206, "bytes 0-1048575/1048576", 0, 1048576},
        {"bytes=9223372036854775807-", 416, "bytes */1048576", 0, 0},
        {"bytes=1000-1999", 206, "bytes 1000-1999/1048576", 1000, 1000},
        {"bytes=-24", 206, "bytes 1048552-1048575/1048576", 1048552, 24},
        {"bytes=0-0,5-6", 200, "", 0, 1048576},  // several ranges: the whole file
    };
    // All on one connection: a reply that announced a byte more or less than it sent would put
    // every later reply out of step.
    KeptConnection client(m_port);
    for (const Case& c : cases) {
        const KeptConnection::Reply reply = client.get("/big.bin", "Range: " + c.range + "\r\n");
        EXPECT_EQ(reply.status, c.status) << c.range << "\n" << reply.head;
        EXPECT_EQ(headerOf(reply.head, "Content-Range"), c.contentRange) << c.range;
        EXPECT_TRUE(reply.body == content.substr(c.first, c.length)) << c.range;
    }
    const KeptConnection::Reply probe = client.get("/probe");
    EXPECT_EQ(probe.status, 200);
    EXPECT_EQ(probe.body, "vantor-server\n");

    // If-Range: the part only while the client's tag still names the file.
    const std::string etag = headerOf(client.get("/big.bin", "Range: bytes=0-0\r\n").head, "ETag");
    ASSERT_FALSE(etag.empty());
    EXPECT_EQ(client.get("/big.bin", "Range: bytes=10-\r\nIf-Range: " + etag + "\r\n").status, 206);
    EXPECT_EQ(client.get("/big.bin", "Range: bytes=10-\r\nIf-Range: \"0.0\"\r\n").status, 200);
    EXPECT_EQ(client.get("/big.bin", "If-None-Match: " + etag + "\r\n").status, 304);
}

TEST_F(ServerSecurity, ClientsThatStallOrHangUpDoNotStopTheOthers) {
    start();
    // Half a request each, then nothing: each holds a worker until the server's own time-out.
    const std::vector<int> stalled =
        stall(3, "POST /vantorpc/samplecodes/sql-link.php HTTP/1.1\r\nContent-Length: 100\r\n\r\nab");
    expectStillServing("stalled clients");
    // Clients that hang up mid-request.
    for (int i = 0; i < 3; ++i) {
        const int fd = connectTo(m_port);
        ASSERT_GE(fd, 0);
        ::send(fd, "GET /VantorDown", 15, MSG_NOSIGNAL);
        ::close(fd);
    }
    for (const int fd : stalled)
        ::close(fd);
    expectStillServing("clients that hung up");
    EXPECT_EQ(get(m_port, "/probe").status, 200);
}

}  // namespace
