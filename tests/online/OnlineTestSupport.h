#pragma once

// Helpers for the online tests: a Qt application for the event loop, waiting for one query, and
// a scripted web server that records the request and answers with the bytes it is given.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <optional>

#include "online/QueryChannel.h"

namespace vantor::test {

inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "online-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// A query that has not called back by then has hung: the test fails instead of waiting forever.
constexpr int kCallbackLimitMs = 20000;

enum class Operation { Fetch, Execute };

inline online::QueryResult waitForQuery(online::QueryChannel& channel, const std::string& statement,
                                        Operation operation = Operation::Fetch) {
    std::optional<online::QueryResult> result;
    int calls = 0;
    QEventLoop loop;
    auto done = [&](const online::QueryResult& r) {
        result = r;
        ++calls;
        loop.quit();
    };
    if (operation == Operation::Fetch)
        channel.FetchRows(statement, done);
    else
        channel.ExecuteQuery(statement, done);
    QTimer::singleShot(kCallbackLimitMs, &loop, &QEventLoop::quit);
    if (!result)
        loop.exec();
    EXPECT_EQ(calls, 1) << "the callback must run exactly once";
    if (!result) {
        ADD_FAILURE() << "the query never called back";
        return {};
    }
    return *result;
}

// Answers every request with `response` (the whole HTTP response, headers included) once the
// request has arrived whole; with an empty response it stays silent. Records the last request.
class ScriptedWebServer : public QObject {
public:
    explicit ScriptedWebServer(QByteArray response, bool closeAfterResponse = true)
        : m_response(std::move(response)), m_close(closeAfterResponse) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { receive(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/vantorpc/samplecodes/sql-link.php")
                        .arg(m_server.serverPort()));
    }
    const QByteArray& requestHead() const { return m_head; }
    // The answer goes out one byte every `ms` instead of at once: a server that is never quite silent.
    void sendByteEvery(int ms) { m_byteEveryMs = ms; }
    const QByteArray& requestBody() const { return m_body; }

    static QByteArray okResponse(const QByteArray& body, int status = 200) {
        return QByteArray("HTTP/1.1 ") + QByteArray::number(status) +
               " Whatever\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    void receive(QTcpSocket* socket) {
        QByteArray& buffer = m_pending[socket];
        buffer += socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QByteArray head = buffer.left(headEnd);
        qsizetype length = 0;
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        m_head = head;
        m_body = buffer.mid(headEnd + 4, length);
        m_pending.remove(socket);
        if (m_response.isEmpty())
            return;  // the silent server
        if (m_byteEveryMs > 0)
            return trickle(socket, 0);
        socket->write(m_response);
        if (m_close)
            socket->disconnectFromHost();
    }

    void trickle(QPointer<QTcpSocket> socket, qsizetype at) {
        if (!socket || at >= m_response.size())
            return;
        socket->write(m_response.mid(at, 1));
        QTimer::singleShot(m_byteEveryMs, this, [this, socket, at] { trickle(socket, at + 1); });
    }

    QTcpServer m_server;
    QByteArray m_response;
    bool m_close;
    int m_byteEveryMs = 0;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QByteArray m_head;
    QByteArray m_body;
};

}  // namespace vantor::test
