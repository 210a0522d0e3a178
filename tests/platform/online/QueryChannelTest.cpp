// QueryChannel over real HTTP: the exact request on the wire, replies read whatever their HTTP
// status, and every way a request can fail reported to the caller instead of rows.

#include "support/OnlineTestSupport.h"
#include "core/online/modQuery.h"
#include "support/ScopedEnvironment.h"
#include "support/ScriptedHttpServer.h"

using namespace vantor;
using namespace vantor::online;
using test::ScriptedHttpServer;
using test::waitForQuery;

namespace {

class QueryChannelHttp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }
};

// A whole answer with this status and body to every request.
ScriptedHttpServer::Behaviour replying(const QByteArray& body, int status = 200) {
    return {.raw = ScriptedHttpServer::response(body, status)};
}

QByteArray wire(const std::string& reply) {
    const std::string encoded = EncodeForWire(reply);
    return QByteArray(encoded.data(), static_cast<qsizetype>(encoded.size()));
}

TEST_F(QueryChannelHttp, PostsTheBodyAndContentTypeExactly) {
    ScriptedHttpServer server({}, replying(wire("1\n1\n3.1|")));
    QueryChannel channel(server.url(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "SELECT x");

    const std::string expected = BuildQueryBody(kFetchField, "SELECT x");
    EXPECT_EQ(server.requestBody().toStdString(), expected);
    EXPECT_TRUE(server.requestHead().startsWith("POST /vantorpc/samplecodes/sql-link.php HTTP/1.1\r\n"));
    EXPECT_TRUE(server.requestHead().contains("\r\nContent-Type: multipart/form-data, boundary=AaB03x\r\n"))
        << server.requestHead().toStdString();
    ASSERT_EQ(result.rows.rowCount(), 1);
    EXPECT_EQ(result.rows.value(0, 0), "3.1");
}

TEST_F(QueryChannelHttp, ExecuteSendsTheQueryField) {
    ScriptedHttpServer server({}, replying(wire("Query Executed!")));
    QueryChannel channel(server.url(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "UPDATE t SET a = 1", test::Operation::Execute);
    EXPECT_TRUE(result.executed);
    EXPECT_EQ(server.requestBody().toStdString(), BuildQueryBody(kExecuteField, "UPDATE t SET a = 1"));
}

TEST_F(QueryChannelHttp, AnErrorPageIsReadLikeAnyOtherReply) {
    ScriptedHttpServer server({}, replying(wire("1\n1\n2.9|"), 404));
    QueryChannel channel(server.url(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(result.rows.value(0, 0), "2.9");

    ScriptedHttpServer plainPage({}, replying("<html>Internal Server Error</html>", 500));
    QueryChannel toPlainPage(plainPage.url(ScriptedHttpServer::kQueryPath));
    const QueryResult garbage = waitForQuery(toPlainPage, "SELECT x");
    EXPECT_EQ(garbage.failure, "");
    EXPECT_TRUE(garbage.rows.empty());
}

TEST_F(QueryChannelHttp, AnEmptyReplyIsNoResponseFromServer) {
    ScriptedHttpServer server({}, replying(""));
    QueryChannel channel(server.url(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_EQ(result.message, ReadFetchReply("").message) << "the reader's own word for an empty body";
    EXPECT_EQ(result.failure, "");
    EXPECT_TRUE(result.rows.empty());
}

TEST_F(QueryChannelHttp, ARefusedConnectionIsReportedNotCrashed) {
    QueryChannel channel(ScriptedHttpServer::refusedUrl(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_FALSE(result.failure.empty());
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(result.message, "");
}

TEST_F(QueryChannelHttp, ASilentServerTimesOut) {
    ScriptedHttpServer silent({}, {.silent = true});
    QueryChannel channel(silent.url(ScriptedHttpServer::kQueryPath));
    channel.setRequestLimit(std::chrono::milliseconds(300));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_EQ(result.failure, "The server did not answer within 0.3 seconds.");
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(QueryChannel::kRequestLimit, std::chrono::seconds(30));
}

TEST_F(QueryChannelHttp, AServerThatTricklesIsBoundedByTheWholeRequestNotBySilence) {
    // Forty-odd bytes at one every 100 ms would take four seconds, each byte well inside the limit.
    ScriptedHttpServer::Behaviour trickle = replying(wire("1\n1\n3.1|"));
    trickle.byteEveryMs = 100;
    ScriptedHttpServer trickling({}, trickle);
    QueryChannel channel(trickling.url(ScriptedHttpServer::kQueryPath));
    channel.setRequestLimit(std::chrono::milliseconds(300));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_EQ(result.failure, "The server did not answer within 0.3 seconds.");
    EXPECT_TRUE(result.rows.empty());
}

TEST_F(QueryChannelHttp, AReplyThatBreaksOffIsAFailureNotRows) {
    // Announces more than it sends, then hangs up: half a reply must not be read as rows.
    const QByteArray partial = wire("1\n1\n3.1|");
    ScriptedHttpServer server({}, {.raw = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + partial});
    QueryChannel channel(server.url(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_FALSE(result.failure.empty());
    EXPECT_TRUE(result.rows.empty());
}

TEST_F(QueryChannelHttp, AnOversizedReplyIsRefused) {
    const QByteArray huge(QueryChannel::kMaxReplyBytes + 1024 * 1024, 'A');
    ScriptedHttpServer server({}, replying(huge));
    QueryChannel channel(server.url(ScriptedHttpServer::kQueryPath));
    const QueryResult result = waitForQuery(channel, "SELECT x");
    EXPECT_EQ(result.failure, "The server's reply is larger than the query channel accepts.");
    EXPECT_TRUE(result.rows.empty());
}

TEST_F(QueryChannelHttp, DestroyingTheChannelAbandonsItsQueriesQuietly) {
    ScriptedHttpServer silent({}, {.silent = true});
    int calls = 0;
    {
        QueryChannel channel(silent.url(ScriptedHttpServer::kQueryPath));
        channel.FetchRows("SELECT x", [&calls](const QueryResult&) { ++calls; });
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST_F(QueryChannelHttp, TheCallbackMayDestroyTheChannel) {
    ScriptedHttpServer server({}, replying(wire("1\n1\n3.1|")));
    auto* channel = new QueryChannel(server.url(ScriptedHttpServer::kQueryPath));
    std::string value;
    QEventLoop loop;
    channel->FetchRows("SELECT x", [&](const QueryResult& result) {
        value = result.rows.value(0, 0);
        delete channel;
        loop.quit();
    });
    QTimer::singleShot(test::kCallbackLimitMs, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(value, "3.1");
}

TEST_F(QueryChannelHttp, TheScriptAddressComesFromTheEnvironment) {
    test::ScopedEnvironment environment;
    environment.set("VANTOR_WEB_SERVER", "http://127.0.0.1:8123/");
    EXPECT_EQ(QueryChannel::defaultScriptUrl().toString(),
              QStringLiteral("http://127.0.0.1:8123/vantorpc/samplecodes/sql-link.php"));
}

}  // namespace
