#pragma once

// A web server on 127.0.0.1 that misbehaves on purpose, for the downloader's tests: it serves
// one body with Range support, and can break the connection after some bytes, ignore Range,
// answer without a length, answer with a fixed status, stay silent, reset the connection part-way
// through its answer, or send bytes of the test's own making. With an ETag it honours If-Range,
// and its file can change between requests. It records every request.

#include <sys/socket.h>

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace vantor::test {

class DownloadTestServer : public QObject {
public:
    struct Behaviour {
        qint64 cutAfter = -1;          // send only this many body bytes, then close (-1: all)
        bool ignoreRange = false;      // answer 200 with the whole body whatever the Range
        bool chunked = false;          // no Content-Length: chunked transfer coding
        int status = 0;                // a fixed status with an empty body (0: serve the body)
        bool silent = false;           // never answer
        qint64 contentRangeShift = 0;  // a 206 whose Content-Range starts this far from the asked byte
        qint64 resumeRangeShift = 0;   // the same, for requests that ask from beyond byte 0 only
        qint64 resetAt = -1;           // send this many bytes of the answer, head included, then reset
        bool closeAtCut = false;       // after cutAfter bytes, close the connection instead of holding it
        QByteArray raw{};              // send exactly these bytes instead of an answer, then close
    };

    explicit DownloadTestServer(QByteArray body) : m_body(std::move(body)) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { receive(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    // How the n-th request (from 0) is answered; later requests are served plainly.
    void behave(int request, Behaviour behaviour) {
        if (static_cast<int>(m_behaviours.size()) <= request)
            m_behaviours.resize(request + 1);
        m_behaviours[request] = behaviour;
    }

    // How every request beyond those given to behave() is answered.
    void behaveAfterwards(Behaviour behaviour) { m_afterwards = behaviour; }

    QUrl url(const QString& name = QStringLiteral("VantorUSA_APROM.hex")) const {
        return QUrl(
            QStringLiteral("http://127.0.0.1:%1/VantorDownload/%2").arg(m_server.serverPort()).arg(name));
    }
    // The Range header of every request, in order ("" when there was none).
    const QList<QByteArray>& ranges() const { return m_ranges; }
    // The If-Range header of every request, in order ("" when there was none).
    const QList<QByteArray>& ifRanges() const { return m_ifRanges; }

    // The file as served from now on, and the ETag that names this version of it.
    void serve(QByteArray body, QByteArray etag) {
        m_body = std::move(body);
        m_etag = std::move(etag);
    }

    // Closes the connections held after a cut.
    void dropCuts() {
        for (const QPointer<QTcpSocket>& socket : std::exchange(m_held, {}))
            if (socket)
                socket->disconnectFromHost();
    }
    // For a client in another process, whose progress cannot be watched: drop cuts this long
    // after sending them.
    void dropCutsAfter(int ms) { m_dropAfterMs = ms; }
    int requests() const { return static_cast<int>(m_ranges.size()); }

private:
    void receive(QTcpSocket* socket) {
        QByteArray& buffer = m_pending[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray head = buffer.left(end);
        m_pending.remove(socket);
        QByteArray range;
        QByteArray ifRange;
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith("range:"))
                range = line.mid(6).trimmed();
            if (line.toLower().startsWith("if-range:"))
                ifRange = line.mid(9).trimmed();
        }
        const int index = static_cast<int>(m_ranges.size());
        m_ranges.push_back(range);
        m_ifRanges.push_back(ifRange);
        Behaviour how = index < static_cast<int>(m_behaviours.size()) ? m_behaviours[index] : m_afterwards;
        // A version other than the one the client holds: the whole file, as HTTP has it.
        if (!ifRange.isEmpty() && ifRange != m_etag)
            how.ignoreRange = true;
        answer(socket, range, how);
    }

    void answer(QTcpSocket* socket, const QByteArray& range, const Behaviour& how) {
        if (how.silent)
            return;
        if (!how.raw.isEmpty()) {
            socket->write(how.raw);
            socket->disconnectFromHost();
            return;
        }
        if (how.status) {
            socket->write("HTTP/1.1 " + QByteArray::number(how.status) +
                          " Status\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        qint64 from = 0;
        if (range.startsWith("bytes=") && !how.ignoreRange)
            from = range.mid(6, range.indexOf('-') - 6).toLongLong();
        QByteArray body = m_body.mid(from);
        QByteArray head = from > 0 || (range.startsWith("bytes=") && !how.ignoreRange)
                              ? "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                                    QByteArray::number(from + how.contentRangeShift + (from > 0 ? how.resumeRangeShift : 0)) +
                                    "-" +
                                    QByteArray::number(m_body.size() - 1) + "/" +
                                    QByteArray::number(m_body.size()) + "\r\n"
                              : QByteArray("HTTP/1.1 200 OK\r\n");
        if (!m_etag.isEmpty())
            head += "ETag: " + m_etag + "\r\n";
        if (how.chunked) {
            head += "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
            QByteArray chunks;
            for (qsizetype at = 0; at < body.size(); at += 1000) {
                const QByteArray piece = body.mid(at, 1000);
                chunks += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
            }
            body = chunks + (how.cutAfter >= 0 ? QByteArray() : QByteArray("0\r\n\r\n"));
        } else {
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
        }
        if (how.cutAfter >= 0)
            body = body.left(how.cutAfter);
        if (how.resetAt >= 0) {
            resetAfter(socket, (head + body).left(how.resetAt));
            return;
        }
        socket->write(head + body);
        if (how.cutAfter < 0 || how.closeAtCut) {
            socket->disconnectFromHost();
            return;
        }
        // The connection stays open and silent (the client's silence limit breaks it) until
        // dropCuts(): one that closes at once is one Qt may send the request again on.
        m_held.push_back(socket);
        if (m_dropAfterMs >= 0)
            QTimer::singleShot(m_dropAfterMs, this, [this] { dropCuts(); });
    }

    // Sends `bytes`, then ends the connection with a reset (RST) rather than an orderly close.
    static void resetAfter(QTcpSocket* socket, const QByteArray& bytes) {
        socket->write(bytes);
        for (int round = 0; round < 100 && socket->bytesToWrite() > 0; ++round)
            socket->waitForBytesWritten(50);
        const linger abortive{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
        socket->abort();
    }

    QTcpServer m_server;
    QByteArray m_body;
    Behaviour m_afterwards;
    std::vector<Behaviour> m_behaviours;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QByteArray> m_ranges;
    QList<QByteArray> m_ifRanges;
    QByteArray m_etag;
    std::vector<QPointer<QTcpSocket>> m_held;
    int m_dropAfterMs = -1;
};

}  // namespace vantor::test
