// vantor-server as the program meets it: the real executable on 127.0.0.1, asked through the
// program's own QueryChannel; and as a person runs it: options, refusals, files, the log.

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <filesystem>
#include <fstream>

#include "support/OnlineTestSupport.h"
#include "core/online/UpdateQueries.h"
#include "core/online/modQuery.h"
#include "support/ServerProcess.h"

using namespace vantor;
using namespace vantor::online;
using test::ServerProcess;
using test::waitForQuery;
namespace fs = std::filesystem;

namespace {

class ServerIntegration : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    static QUrl scriptUrl(const ServerProcess& server) {
        return QUrl(QString::fromStdString(server.scriptUrl()));
    }

    // The trimmed answer to one of the two checks, asked through the program's channel.
    static std::string answer(const ServerProcess& server, std::string_view statement) {
        QueryChannel channel(scriptUrl(server));
        const QueryResult result = waitForQuery(channel, std::string(statement));
        EXPECT_EQ(result.failure, "");
        EXPECT_EQ(result.message, "");
        return AnswerText(result.rows);
    }

    struct HttpAnswer {
        int status = 0;
        QByteArray body;
        QByteArray contentRange;
    };
    static HttpAnswer http(const QString& url, const QByteArray& method = "GET", const QByteArray& body = {},
                           const QByteArray& range = {}) {
        QNetworkAccessManager network;
        QNetworkRequest request{QUrl(url)};
        if (!range.isEmpty())
            request.setRawHeader("Range", range);
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, "multipart/form-data, boundary=AaB03x");
        QNetworkReply* reply = network.sendCustomRequest(request, method, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(test::kCallbackLimitMs, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        HttpAnswer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                          reply->readAll(), reply->rawHeader("Content-Range")};
        delete reply;
        return answer;
    }
};

TEST_F(ServerIntegration, AnswersBothChecksFromTheSeededTable) {
    ServerProcess server({"--current-version", "3.1", "--software-update", "Y"});
    EXPECT_EQ(answer(server, kCurrentVersionStatement), "3.1");
    EXPECT_EQ(answer(server, kSoftwareUpdateStatement), "Y");

    ServerProcess seeded;  // the values a fresh database starts with
    EXPECT_EQ(answer(seeded, kCurrentVersionStatement), "3.0");
    EXPECT_EQ(answer(seeded, kSoftwareUpdateStatement), "N");
}

TEST_F(ServerIntegration, SoftwareUpdateAnswersAsTheChecksReadThem) {
    const std::vector<std::pair<std::string, UpdateAnswer>> cases = {{"y", UpdateAnswer::Available},
                                                                     {"n", UpdateAnswer::NotAvailable},
                                                                     {"Yes", UpdateAnswer::Unknown},
                                                                     {"", UpdateAnswer::Unknown}};
    for (const auto& [stored, expected] : cases) {
        ServerProcess server({"--software-update", stored});
        const std::string value = answer(server, kSoftwareUpdateStatement);
        EXPECT_EQ(value, stored);
        EXPECT_EQ(ReadUpdateAnswer(value), expected) << "stored \"" << stored << "\"";
    }
}

TEST_F(ServerIntegration, CurrentVersionArrivesTrimmed) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"3.0", "3.0"}, {" 3.0 ", "3.0"}, {"3.1", "3.1"}, {"2.9", "2.9"}, {"", ""}};
    for (const auto& [stored, expected] : cases) {
        ServerProcess server({"--current-version", stored});
        EXPECT_EQ(answer(server, kCurrentVersionStatement), expected) << "stored \"" << stored << "\"";
    }
}

TEST_F(ServerIntegration, WritesAreRefusedUnlessAllowed) {
    const std::string update = "UPDATE VantorPCPrograms SET CurrentVersion = '4.0' WHERE Model = 'USA'";
    {
        ServerProcess server;
        QueryChannel channel(scriptUrl(server));
        const QueryResult refused = waitForQuery(channel, update, test::Operation::Execute);
        EXPECT_FALSE(refused.executed);
        EXPECT_NE(refused.message.find("--allow-writes"), std::string::npos) << refused.message;
        // Nor can a write slip through the reading field.
        const QueryResult viaRead = waitForQuery(channel, update);
        EXPECT_TRUE(viaRead.rows.empty());
        EXPECT_FALSE(viaRead.message.empty());
        EXPECT_EQ(answer(server, kCurrentVersionStatement), "3.0");
    }
    ServerProcess writable({"--allow-writes"});
    QueryChannel channel(scriptUrl(writable));
    EXPECT_TRUE(waitForQuery(channel, update, test::Operation::Execute).executed);
    EXPECT_EQ(answer(writable, kCurrentVersionStatement), "4.0");
}

TEST_F(ServerIntegration, AStatementErrorComesBackAsTheServersMessage) {
    ServerProcess server;
    QueryChannel channel(scriptUrl(server));
    const QueryResult result = waitForQuery(channel, "SELECT Missing FROM VantorPCPrograms");
    EXPECT_EQ(result.message, "no such column: Missing");
    EXPECT_TRUE(result.rows.empty());
}

TEST_F(ServerIntegration, ARequestBodyOver64KiBIsRefused) {
    ServerProcess server;
    QueryChannel channel(scriptUrl(server));
    const QueryResult result = waitForQuery(channel, "SELECT '" + std::string(70 * 1024, 'x') + "'");
    // The script's own refusal (its wording is the script's test's) comes back as the message.
    EXPECT_NE(result.message.find("64 KiB"), std::string::npos) << result.message;
    EXPECT_TRUE(result.rows.empty());
    // The server keeps serving.
    EXPECT_EQ(answer(server, kCurrentVersionStatement), "3.0");
}

TEST_F(ServerIntegration, KeepsItsDatabaseFileAcrossStarts) {
    const fs::path file =
        fs::temp_directory_path() / ("vantor-server-db-" + std::to_string(::getpid()) + ".sqlite");
    fs::remove(file);
    { ServerProcess first({"--database", file.string(), "--current-version", "3.2"}); }
    ASSERT_TRUE(fs::exists(file));
    {
        ServerProcess second({"--database", file.string()});
        EXPECT_EQ(answer(second, kCurrentVersionStatement), "3.2");
    }
    fs::remove(file);
}

TEST_F(ServerIntegration, ServesFilesWithRangesAndAProbePage) {
    const fs::path root = fs::temp_directory_path() / ("vantor-server-root-" + std::to_string(::getpid()));
    fs::create_directories(root / "VantorDownload");
    std::string content;
    for (int i = 0; i < 5000; ++i)
        content += static_cast<char>(i * 7);
    std::ofstream(root / "VantorDownload" / "VantorUSA_APROM.hex", std::ios::binary) << content;

    ServerProcess server({"--root", root.string()});
    const QString base = QString::fromStdString(server.baseUrl());
    const HttpAnswer whole = http(base + "/VantorDownload/VantorUSA_APROM.hex");
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.body.toStdString(), content);

    const HttpAnswer part = http(base + "/VantorDownload/VantorUSA_APROM.hex", "GET", {}, "bytes=4000-");
    EXPECT_EQ(part.status, 206);
    EXPECT_EQ(part.body.toStdString(), content.substr(4000));
    EXPECT_EQ(part.contentRange, "bytes 4000-4999/5000");

    EXPECT_EQ(http(base + "/VantorDownload/missing.exe").status, 404);
    EXPECT_EQ(http(base + "/VantorDownload/").status, 403);  // no folder listings
    EXPECT_EQ(http(base + "/probe").status, 200);
    EXPECT_EQ(http(base + "/vantorpc/samplecodes/sql-link.php").status, 405);  // the script takes POST
    fs::remove_all(root);
}

TEST_F(ServerIntegration, LogsOneLinePerRequest) {
    ServerProcess server;
    answer(server, kSoftwareUpdateStatement);
    http(QString::fromStdString(server.baseUrl()) + "/probe");
    server.stop();
    const std::string log = server.log();
    EXPECT_NE(log.find("\"POST /vantorpc/samplecodes/sql-link.php\" 200 rquery SELECT SoftwareUpdate"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\"GET /probe\" 200"), std::string::npos) << log;
}

TEST_F(ServerIntegration, CommandLineHelpAndRefusals) {
    const ServerProcess::Outcome help = ServerProcess::run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with(
        "Usage: vantor-server [--port N] [--root DIR] [--database FILE] [--allow-writes]"));

    const ServerProcess::Outcome badPort = ServerProcess::run({"--port", "seventy"});
    EXPECT_EQ(badPort.exitStatus, 2);
    EXPECT_EQ(badPort.out, "");
    EXPECT_NE(badPort.err.find("--port"), std::string::npos);

    EXPECT_EQ(ServerProcess::run({"--root", "/nonexistent/vantor"}).exitStatus, 2);

    const fs::path notADatabase = fs::temp_directory_path() / ("vantor-not-db-" + std::to_string(::getpid()));
    std::ofstream(notADatabase) << std::string(200, 'x');
    EXPECT_EQ(ServerProcess::run({"--database", notADatabase.string()}).exitStatus, 2);
    fs::remove(notADatabase);
}

TEST_F(ServerIntegration, APortInUseIsReported) {
    ServerProcess first;
    const std::string port = first.baseUrl().substr(first.baseUrl().rfind(':') + 1);
    const ServerProcess::Outcome second = ServerProcess::run({"--port", port});
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_NE(second.err.find("cannot listen"), std::string::npos) << second.err;
}

}  // namespace
