#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <optional>
#include <string>

#include "core/online/HttpFailure.h"
#include "core/online/HttpReplyReader.h"
#include "core/online/ProxyRules.h"

class QAbstractSocket;

namespace vantor::online {

// The program's one HTTP client: every request (the query, the banner, the Internet check, the
// downloads) is one request over a connection of its own (TCP, or TLS for https), sent exactly
// once, so that only the caller decides whether a request is made again and from which byte.
// Through a forward proxy (the platform's setting, see ProxyFinder) an http:// request names the
// whole address to the proxy and an https:// one goes through a CONNECT tunnel; a proxy's user
// name and password go to the proxy as Basic credentials and are never logged. Redirects are
// followed, a bounded number and never from https to http. A reply ends with finished(): in
// order when its framing says so (or the connection's end frames it), failed() otherwise.
class HttpRequest : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRedirects = 10;

    HttpRequest(QUrl url, HttpHeaders headers, QObject* parent = nullptr);
    ~HttpRequest() override;

    // A POST with this body instead of a GET. A redirect by 307 or 308 keeps it; one by 301, 302
    // or 303 asks for the new address with a GET, as browsers do.
    void setPost(QByteArray body);
    // Body bytes held unread at most (and as much again in the socket): a reader that pauses
    // holds the server back instead of filling memory.
    void setReadBufferSize(qint64 bytes) { m_bufferLimit = bytes; }
    // The whole request, from start() to its last byte, may take this long; then it fails as
    // NoAnswer. A trickling server is held to it as much as a silent one.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }

    void start();

    // The reply's head once it is whole; until then (or when none came) it has no status.
    const ReplyHead& head() const;
    // A header of the reply's head by name.
    std::optional<std::string> header(std::string_view name) const { return m_reader.header(name); }
    qint64 bytesAvailable() const { return static_cast<qint64>(m_body.size() - m_bodyRead); }
    QByteArray read(qint64 most);
    QByteArray readAll() { return read(bytesAvailable()); }

    bool isFinished() const { return m_finished; }
    bool failed() const { return static_cast<bool>(m_failure); }
    const HttpFailure& failure() const { return m_failure; }
    QString errorString() const { return QString::fromStdString(HttpFailureText(m_failure)); }
    const QUrl& url() const { return m_url; }
    // Ends the request at once as Stopped; finished() follows before this returns.
    void abort();
    // Ends the request as one whose server fell silent (NoAnswer); finished() follows.
    void endAsSilent() { fail(HttpFailure::Kind::NoAnswer); }

signals:
    // The head is whole, or more body bytes are waiting.
    void readyRead();
    void finished();

private:
    void connectTo(const QUrl& url);
    QAbstractSocket* makeSocket(bool secure);
    void onConnected();
    void askForTunnel();
    void readTunnelAnswer();
    void startTls();
    void sendRequest();
    void onSocketError();
    void onSocketEnded();
    void pump(bool announce);
    void announceData();
    bool followRedirect();
    void fail(HttpFailure::Kind kind, std::string detail = {});
    void failFromSocket();
    void conclude();
    void closeSocket();
    bool throughProxy() const { return m_proxy.proxy.has_value(); }
    HttpHeaders proxyHeaders() const;

    QUrl m_url;
    HttpHeaders m_headers;
    std::optional<QByteArray> m_postBody;
    ProxyChoice m_proxy;
    QPointer<QAbstractSocket> m_socket;
    HttpReplyReader m_reader;
    HttpReplyReader m_tunnelAnswer;
    std::string m_body;
    std::size_t m_bodyRead = 0;
    qint64 m_bufferLimit = 4 * 1024 * 1024;
    std::optional<std::chrono::milliseconds> m_timeLimit;
    QTimer m_deadline;
    int m_redirects = 0;
    bool m_tunnelling = false;  // the CONNECT is asked and its answer not yet whole
    bool m_headWhole = false;
    bool m_announcing = false;
    bool m_socketEnded = false;
    bool m_finished = false;
    bool m_socketFailed = false;
    HttpFailure m_failure;
};

}  // namespace vantor::online
