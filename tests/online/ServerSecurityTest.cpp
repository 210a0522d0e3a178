// vantor-server facing a hostile client on 127.0.0.1: statements that would change or reach
// beyond its database, bodies too large or malformed, paths that climb out of its root by dots,
// encodings or symbolic links. Each is refused, and the next client is served as if nothing had
// happened. Requests are written byte for byte: a URL class would tidy the attacks away.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "OnlineTestSupport.h"
#include "online/UpdateQueries.h"
#include "online/modQuery.h"
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

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval limit{kReceiveLimitSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
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

TEST_F(ServerSecurity, ThirtyTwoSlowClientsLeaveWorkersForTheProgramsQuery) {
    start();
    // Each sends the start of a request and then one header line now and then: each holds a
    // worker until the server's request time-out.
    const std::vector<int> slow = stall(32, "GET /probe HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: 1\r\n");
    // Connections are taken in the order they came: the query's comes after all of them.
    QueryChannel channel(QUrl(QString::fromStdString(m_server->scriptUrl())));
    channel.setRequestLimit(std::chrono::seconds(2));
    const QueryResult result = waitForQuery(channel, std::string(kCurrentVersionStatement));
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(AnswerText(result.rows), "3.0");
    for (const int fd : slow)
        ::close(fd);
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
