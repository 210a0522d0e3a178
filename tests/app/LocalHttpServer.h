#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace vantor::test {

// A web server on 127.0.0.1 that answers every request with an empty "200 OK": enough for the
// Internet check, which only needs a page to open.
class LocalHttpServer : public QObject {
public:
    LocalHttpServer() {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool listening() const { return m_server.isListening(); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort())); }

    // An address on which nothing listens: connections to it are refused at once.
    static QUrl refusedUrl() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    }

private:
    QTcpServer m_server;
};

}  // namespace vantor::test
