#include "ScriptedHttpServer.h"

#include <sys/socket.h>

#include <QTimer>
#include <utility>

namespace vantor::test {

namespace {

QByteArray header(const QByteArray& head, const QByteArray& name) {
    for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

}  // namespace

ScriptedHttpServer::ScriptedHttpServer(QByteArray body) : ScriptedHttpServer(std::move(body), Behaviour{}) {}

ScriptedHttpServer::ScriptedHttpServer(QByteArray body, Behaviour afterwards)
    : m_body(std::move(body)), m_afterwards(std::move(afterwards)) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { receive(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    m_server.listen(QHostAddress::LocalHost);
}

void ScriptedHttpServer::behave(int request, Behaviour behaviour) {
    if (static_cast<int>(m_behaviours.size()) <= request)
        m_behaviours.resize(request + 1);
    m_behaviours[request] = std::move(behaviour);
}

void ScriptedHttpServer::behaveOn(const QByteArray& pathEnd, Behaviour behaviour) {
    m_byPath.emplace_back(pathEnd, std::move(behaviour));
}

void ScriptedHttpServer::serve(QByteArray body, QByteArray etag) {
    m_body = std::move(body);
    m_etag = std::move(etag);
}

QUrl ScriptedHttpServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

QUrl ScriptedHttpServer::refusedUrl(const QString& path) {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path));
}

void ScriptedHttpServer::dropCuts() {
    for (const QPointer<QTcpSocket>& socket : std::exchange(m_held, {}))
        if (socket)
            socket->disconnectFromHost();
}

void ScriptedHttpServer::release(qint64 count) {
    if (!m_paused)
        return;
    const QByteArray piece = m_body.mid(m_released, count);
    m_released += piece.size();
    m_paused->write(piece);
    if (m_released >= m_body.size())
        m_paused->disconnectFromHost();
}

QByteArray ScriptedHttpServer::response(const QByteArray& body, int status) {
    return QByteArray("HTTP/1.1 ") + QByteArray::number(status) +
           " Whatever\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// Waits for the whole request (head, and the body its Content-Length announces), records it
// and answers it.
void ScriptedHttpServer::receive(QTcpSocket* socket) {
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QByteArray head = buffer.left(headEnd);
    const qsizetype length = header(head, "content-length").toLongLong();
    if (buffer.size() < headEnd + 4 + length)
        return;
    m_head = head;
    m_requestBody = buffer.mid(headEnd + 4, length);
    m_pending.remove(socket);
    const QByteArray range = header(head, "range");
    const QByteArray ifRange = header(head, "if-range");
    const int index = requests();
    m_ranges.push_back(range);
    m_ifRanges.push_back(ifRange);
    answer(socket, range, behaviourFor(index, head.split(' ').value(1), ifRange));
}

ScriptedHttpServer::Behaviour ScriptedHttpServer::behaviourFor(int index, const QByteArray& path,
                                                               const QByteArray& ifRange) const {
    Behaviour how = index < static_cast<int>(m_behaviours.size()) ? m_behaviours[index] : m_afterwards;
    for (const auto& [pathEnd, behaviour] : m_byPath)
        if (path.endsWith(pathEnd))
            how = behaviour;
    // A version other than the one the client holds: the whole file, as HTTP has it.
    if (!ifRange.isEmpty() && ifRange != m_etag)
        how.ignoreRange = true;
    return how;
}

void ScriptedHttpServer::answer(QTcpSocket* socket, const QByteArray& range, const Behaviour& how) {
    if (how.silent)
        return;
    if (!how.raw.isEmpty())
        return send(socket, how.raw, how, false);
    if (how.status) {
        return send(socket,
                    "HTTP/1.1 " + QByteArray::number(how.status) + ' ' + how.reason +
                        "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
                    how, false);
    }
    qint64 from = 0;
    QByteArray head = bodyHead(range, how, from);
    QByteArray body = m_body.mid(from);
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
    if (how.paused) {
        socket->write(head);
        m_paused = socket;
        m_released = 0;
        return;
    }
    if (how.cutAfter >= 0)
        body = body.left(how.cutAfter);
    send(socket, head + body, how, how.cutAfter >= 0 && !how.closeAtCut);
}

// The status line, Content-Range and ETag of an answer that serves the body, and the first byte served.
QByteArray ScriptedHttpServer::bodyHead(const QByteArray& range, const Behaviour& how, qint64& from) const {
    const bool ranged = range.startsWith("bytes=") && !how.ignoreRange;
    if (ranged)
        from = range.mid(6, range.indexOf('-') - 6).toLongLong();
    QByteArray head =
        ranged
            ? "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                  QByteArray::number(from + how.contentRangeShift + (from > 0 ? how.resumeRangeShift : 0)) +
                  "-" + QByteArray::number(m_body.size() - 1) + "/" + QByteArray::number(m_body.size()) +
                  "\r\n"
            : QByteArray("HTTP/1.1 200 OK\r\n");
    if (!m_etag.isEmpty())
        head += "ETag: " + m_etag + "\r\n";
    return head;
}

void ScriptedHttpServer::send(QTcpSocket* socket, const QByteArray& bytes, const Behaviour& how, bool cut) {
    if (how.resetAt >= 0)
        return resetAfter(socket, bytes.left(how.resetAt));
    if (how.byteEveryMs > 0)
        return trickle(socket, bytes, how.byteEveryMs);
    socket->write(bytes);
    if (!cut) {
        socket->disconnectFromHost();
        return;
    }
    // The connection stays open and silent (the client's silence limit breaks it) until
    // dropCuts(): one that closes at once is one Qt may send the request again on.
    m_held.push_back(socket);
    if (m_dropAfterMs >= 0)
        QTimer::singleShot(m_dropAfterMs, this, [this] { dropCuts(); });
}

void ScriptedHttpServer::trickle(QPointer<QTcpSocket> socket, QByteArray bytes, int everyMs) {
    if (!socket)
        return;
    if (bytes.isEmpty()) {
        socket->disconnectFromHost();
        return;
    }
    socket->write(bytes.left(1));
    QTimer::singleShot(everyMs, this,
                       [this, socket, rest = bytes.mid(1), everyMs] { trickle(socket, rest, everyMs); });
}

// Sends `bytes`, then ends the connection with a reset (RST) rather than an orderly close.
void ScriptedHttpServer::resetAfter(QTcpSocket* socket, const QByteArray& bytes) {
    socket->write(bytes);
    for (int round = 0; round < 100 && socket->bytesToWrite() > 0; ++round)
        socket->waitForBytesWritten(50);
    const linger abortive{1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                 sizeof abortive);
    socket->abort();
}

}  // namespace vantor::test
