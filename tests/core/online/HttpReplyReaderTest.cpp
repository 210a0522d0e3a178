// The downloader's own HTTP reading: the request it sends, and each way a reply's body is framed,
// fed whole and byte by byte, with the replies it refuses.

#include <gtest/gtest.h>

#include "core/online/HttpReplyReader.h"

using namespace vantor::online;
using State = HttpReplyReader::State;

namespace {

struct Read {
    State state;
    std::string body;
    ReplyHead head;
    std::string error;
};

// The reply fed in one piece, or a byte at a time; `ended`: the connection then ends in order.
Read readReply(std::string_view reply, bool byteByByte, bool ended = false) {
    HttpReplyReader reader;
    std::string body;
    if (byteByByte) {
        for (char c : reply)
            reader.feed(std::string_view(&c, 1), body);
    } else {
        reader.feed(reply, body);
    }
    if (ended)
        reader.connectionEnded();
    return {reader.state(), body, reader.head(), reader.error()};
}

TEST(HttpReplyReader, TheRequestIsOneOnAConnectionOfItsOwnAndNamesTheWholeAddressToAProxy) {
    EXPECT_EQ(HttpRequestHead("GET", {"127.0.0.1", 8080, "/files/VantorUSA_APROM.hex?v=2"},
                              {{"Range", "bytes=5904-"}, {"Accept-Encoding", "identity"}}),
              "GET /files/VantorUSA_APROM.hex?v=2 HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nRange: bytes=5904-\r\n"
              "Accept-Encoding: identity\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(HttpRequestHead("GET", {"[::1]", std::nullopt, ""}, {}),
              "GET / HTTP/1.1\r\nHost: [::1]\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(
        HttpRequestHead("POST", {"updates.example", std::nullopt, "/q.php", "http"}, {}),
        "POST http://updates.example/q.php HTTP/1.1\r\nHost: updates.example\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(HttpConnectRequest({"updates.example", std::nullopt, "/x"}, 443,
                                 {{"Proxy-Authorization", "Basic eA=="}}),
              "CONNECT updates.example:443 HTTP/1.1\r\nHost: updates.example:443\r\n"
              "Proxy-Authorization: Basic eA==\r\n\r\n");
}

TEST(HttpReplyReader, AProxysTunnelAnswerEndsWithItsHead) {
    HttpReplyReader reader;
    reader.expectConnectAnswer();
    std::string body;
    reader.feed("HTTP/1.1 200 Connection established\r\n\r\n", body);
    EXPECT_EQ(reader.state(), HttpReplyReader::State::Done);
    EXPECT_EQ(reader.head().status, 200);
}

TEST(HttpReplyReader, ABodyInACodingThatWasNotAskedForIsRefused) {
    for (const char* coding :
         {"Transfer-Encoding: gzip, chunked", "Transfer-Encoding: gzip", "Content-Encoding: gzip"}) {
        SCOPED_TRACE(coding);
        const Read read = readReply(
            std::string("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n") + coding + "\r\n\r\n\x1f\x8b\x08\x00",
            false);
        EXPECT_EQ(read.state, HttpReplyReader::State::Failed);
        EXPECT_NE(read.error.find("gzip"), std::string::npos) << read.error;
        EXPECT_EQ(read.body, "");
    }
    EXPECT_EQ(
        readReply("HTTP/1.1 200 OK\r\nContent-Encoding: identity\r\nContent-Length: 2\r\n\r\nok", false).body,
        "ok");
}

TEST(HttpReplyReader, EachFramingEndsTheBodyWhereItSaysWholeOrByteByByte) {
    for (const bool byteByByte : {false, true}) {
        SCOPED_TRACE(byteByByte ? "byte by byte" : "whole");
        const Read length = readReply(
            "HTTP/1.1 100 Continue\r\n\r\n"
            "HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\nContent-Range: bytes 10-14/40\r\n"
            "ETag: \"v1\"\r\nLast-Modified: Tue, 08 Dec 2026 12:00:00 GMT\r\n\r\n12345 and what follows",
            byteByByte);
        EXPECT_EQ(length.state, State::Done);
        EXPECT_EQ(length.body, "12345") << "bytes after the announced length are not the file's";
        EXPECT_EQ(length.head.status, 206);
        EXPECT_EQ(length.head.statusLine, "HTTP/1.1 206 Partial Content");
        EXPECT_EQ(length.head.contentLength, 5);
        EXPECT_EQ(length.head.contentRange, "bytes 10-14/40");
        EXPECT_EQ(length.head.etag, "\"v1\"");
        EXPECT_EQ(length.head.lastModified, "Tue, 08 Dec 2026 12:00:00 GMT");

        const Read chunked = readReply(
            "HTTP/1.1 200 OK\nTransfer-Encoding: Chunked\nContent-Length: 99\n\n"
            "4;name=value\r\nabcd\r\nA\r\n0123456789\r\n0\r\nTrailer: x\r\n\r\nafter",
            byteByByte);
        EXPECT_EQ(chunked.state, State::Done);
        EXPECT_EQ(chunked.body, "abcd0123456789");
        EXPECT_TRUE(chunked.head.chunked);
        EXPECT_EQ(chunked.head.contentLength, std::nullopt) << "chunks frame the body, not the length";

        const Read untilClose = readReply("HTTP/1.0 200 OK\r\n\r\nall of it", byteByByte);
        EXPECT_EQ(untilClose.state, State::Body) << "only the connection's end ends it";
        EXPECT_EQ(readReply("HTTP/1.0 200 OK\r\n\r\nall of it", byteByByte, true).state, State::Done);

        EXPECT_EQ(readReply("HTTP/1.1 204 No Content\r\n\r\n", byteByByte).state, State::Done);
        EXPECT_EQ(readReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", byteByByte).state, State::Done);
    }
}

TEST(HttpReplyReader, AReplyCutShortOrNotHttpIsFailedWithItsReason) {
    const std::pair<std::string, std::string> failed[] = {
        {"", "the server closed the connection without a reply"},
        {"HTTP/1.1 200 OK\r\nContent-Le", "the connection ended within the reply's head"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345",
         "the connection ended before the reply was whole"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabc",
         "the connection ended before the reply was whole"},
        {"SMTP 220 ready\r\n\r\n", "the server's answer is not HTTP"},
        {"HTTP/1.1 two hundred OK\r\n\r\n", "the server's answer is not HTTP"},
        {"HTTP/2 200\r\n\r\n", "the server's answer is not HTTP"},
        {"HTTP/1.1 200 OK\r\nno colon here\r\n\r\n", "a damaged header line in the reply"},
        {"HTTP/1.1 200 OK\r\nBad Name: x\r\n\r\n", "a damaged header line in the reply"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n",
         "the reply's Content-Length is damaged"},
        {"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", "the reply's Content-Length is damaged"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n",
         "the reply's Content-Length is damaged"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "a damaged chunk in the reply"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcX\r\n",
         "a damaged chunk in the reply"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(2000, '1'),
         "a damaged chunk in the reply"},
        {"HTTP/1.1 101 Switching Protocols\r\n\r\n", "the server switched to another protocol"},
        {"HTTP/1.1 200 OK\r\nX: " + std::string(HttpReplyReader::kLongestHead, 'x'),
         "the reply's head is too long"},
    };
    for (const auto& [reply, why] : failed) {
        SCOPED_TRACE(reply.substr(0, 80));
        const Read read = readReply(reply, false, true);
        EXPECT_EQ(read.state, State::Failed);
        EXPECT_EQ(read.error, why);
    }
    // "5, 5" is one length said twice.
    EXPECT_EQ(readReply("HTTP/1.1 200 OK\r\nContent-Length: 5, 5\r\n\r\nabcde", false).body, "abcde");
}

TEST(HttpReplyReader, HeadersAreFoundWhateverTheirCase) {
    HttpReplyReader reader;
    std::string body;
    reader.feed("HTTP/1.1 302 Found\r\nlocation:  /elsewhere \r\nX-Long: a\r\n  b\r\n\r\n", body);
    EXPECT_EQ(reader.header("Location"), "/elsewhere");
    EXPECT_EQ(reader.header("x-long"), "a b");
    EXPECT_EQ(reader.header("ETag"), std::nullopt);
}

}  // namespace
