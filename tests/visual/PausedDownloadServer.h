#pragma once

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace vantor::test {

// A web server on 127.0.0.1 for the screens of the download window. A request for
// "/VantorDownload/missing.hex" is answered 404; one for "/VantorDownload/broken.hex" gets the
// head and part of the body before the connection closes; any other request gets the head at
// once and then only the body bytes the renderer releases with send(), so that the window can be
// caught part way through a real transfer.
class PausedDownloadServer : public QObject {
public:
    explicit PausedDownloadServer(QByteArray body) : m_body(std::move(body)) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { receive(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool listening() const { return m_server.isListening(); }
    QString url(const QString& name) const {
        return QStringLiteral("http://127.0.0.1:%1/VantorDownload/%2").arg(m_server.serverPort()).arg(name);
    }
    qint64 size() const { return m_body.size(); }
    qint64 sent() const { return m_sent; }
    // Whether the paused transfer's request has come and its head is out.
    bool waiting() const { return !m_paused.isNull(); }

    // Releases the next `count` body bytes of the paused transfer (the rest of the body when
    // `count` is larger); the connection closes after the last byte.
    void send(qint64 count) {
        if (!m_paused)
            return;
        const QByteArray piece = m_body.mid(m_sent, count);
        m_sent += piece.size();
        m_paused->write(piece);
        if (m_sent >= m_body.size())
            m_paused->disconnectFromHost();
    }

private:
    void receive(QTcpSocket* socket) {
        m_request[socket] += socket->readAll();
        const QByteArray request = m_request[socket];
        if (!request.contains("\r\n\r\n"))
            return;
        m_request.remove(socket);
        const QByteArray path = request.split(' ').value(1);
        if (path.endsWith("/missing.hex")) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_body.size()) +
                                "\r\nConnection: close\r\n\r\n";
        if (path.endsWith("/broken.hex")) {
            socket->write(head + m_body.left(m_body.size() * 2 / 5));
            socket->disconnectFromHost();
            return;
        }
        socket->write(head);
        m_paused = socket;
        m_sent = 0;
    }

    QByteArray m_body;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_request;
    QPointer<QTcpSocket> m_paused;
    qint64 m_sent = 0;
};

}  // namespace vantor::test
