#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <string>
#include <utility>
#include <vector>

#include "core/online/HttpReplyReader.h"

class QAbstractSocket;

namespace vantor::online {

// One GET over its own connection (TCP, or TLS for https), sent exactly once: the downloader's
// attempt loop alone decides whether a request is made again, and from which byte. Redirects are
// followed, a bounded number and never from https to http. A reply ends with finished(): in
// order when its framing says so (or the connection's end frames it), failed() otherwise.
class HttpGet : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRedirects = 10;

    using Headers = std::vector<std::pair<std::string, std::string>>;

    HttpGet(QUrl url, Headers headers, QObject* parent = nullptr);
    ~HttpGet() override;

    void start();
    // Body bytes held unread at most (and as much again in the socket): a reader that pauses
    // holds the server back instead of filling memory.
    void setReadBufferSize(qint64 bytes) { m_bufferLimit = bytes; }

    // The reply's head once it is whole; until then (or when none came) it has no status.
    const ReplyHead& head() const;
    qint64 bytesAvailable() const { return static_cast<qint64>(m_body.size() - m_bodyRead); }
    QByteArray read(qint64 most);

    bool isFinished() const { return m_finished; }
    bool failed() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    // Ends the request at once; finished() follows before this returns.
    void abort();

signals:
    // The head is whole, or more body bytes are waiting.
    void readyRead();
    void finished();

private:
    void connectTo(const QUrl& url);
    void sendRequest();
    void onSocketError();
    void onSocketEnded();
    void pump(bool announce);
    void announceData();
    bool followRedirect();
    void conclude(const QString& error);
    void closeSocket();

    QUrl m_url;
    Headers m_headers;
    QPointer<QAbstractSocket> m_socket;
    HttpReplyReader m_reader;
    std::string m_body;
    std::size_t m_bodyRead = 0;
    qint64 m_bufferLimit = 4 * 1024 * 1024;
    int m_redirects = 0;
    bool m_headWhole = false;
    bool m_announcing = false;
    bool m_socketEnded = false;
    bool m_finished = false;
    QString m_socketError;
    QString m_error;
};

}  // namespace vantor::online
