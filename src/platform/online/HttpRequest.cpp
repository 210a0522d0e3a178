#include "platform/online/HttpRequest.h"

#include <QMetaObject>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <algorithm>

#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

#include "platform/online/OnlineLog.h"
#include "platform/online/ProxyFinder.h"

namespace vantor::online {

namespace {

using Kind = HttpFailure::Kind;

constexpr qint64 kSocketPiece = 64 * 1024;
constexpr int kUnauthorized = 401;
constexpr int kProxyAuthenticationRequired = 407;

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isSecure(const QUrl& url) {
    return url.scheme() == QLatin1String("https");
}

HttpTarget targetOf(const QUrl& url) {
    HttpTarget target;
    const QString host = url.host(QUrl::FullyEncoded);
    target.host = (host.contains(':') ? "[" + host + "]" : host).toStdString();
    if (url.port() != -1)
        target.port = url.port();
    target.pathAndQuery =
        url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment).toStdString();
    return target;
}

bool hasHeader(const HttpHeaders& headers, std::string_view name) {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& header) {
        return QByteArray::fromStdString(header.first)
                   .compare(QByteArray(name.data(), name.size()), Qt::CaseInsensitive) == 0;
    });
}

}  // namespace

HttpRequest::HttpRequest(QUrl url, HttpHeaders headers, QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_headers(std::move(headers)) {
    // The bytes as the server stores them: a coded body is refused by the reply's reader.
    if (!hasHeader(m_headers, "Accept-Encoding"))
        m_headers.emplace_back("Accept-Encoding", "identity");
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { fail(Kind::NoAnswer); });
}

HttpRequest::~HttpRequest() {
    closeSocket();
}

void HttpRequest::setPost(QByteArray body) {
    m_postBody = std::move(body);
}

void HttpRequest::start() {
    if (m_timeLimit)
        m_deadline.start(*m_timeLimit);
    connectTo(m_url);
}

const ReplyHead& HttpRequest::head() const {
    static const ReplyHead none;
    return m_headWhole ? m_reader.head() : none;
}

QByteArray HttpRequest::read(qint64 most) {
    const std::size_t taken =
        std::min(m_body.size() - m_bodyRead, static_cast<std::size_t>(std::max<qint64>(most, 0)));
    QByteArray bytes(m_body.data() + m_bodyRead, static_cast<qsizetype>(taken));
    m_bodyRead += taken;
    if (m_bodyRead == m_body.size()) {
        m_body.clear();
        m_bodyRead = 0;
    }
    // Room again: the bytes the socket held back come in, told through the reader's own loop.
    pump(false);
    return bytes;
}

void HttpRequest::abort() {
    if (m_finished)
        return;
    closeSocket();
    m_deadline.stop();
    m_finished = true;
    m_failure.kind = Kind::Stopped;
    m_failure.server = m_url.host().toStdString() + ":" + std::to_string(portOf(m_url));
    emit finished();
}

void HttpRequest::connectTo(const QUrl& url) {
    closeSocket();
    m_url = url;
    m_reader = HttpReplyReader();
    m_tunnelAnswer = HttpReplyReader();
    m_tunnelAnswer.expectConnectAnswer();
    m_tunnelling = m_socketEnded = m_socketFailed = false;
    if (url.scheme() != QLatin1String("http") && !isSecure(url))
        return fail(Kind::Other,
                    url.toString(QUrl::RemoveUserInfo).toStdString() + " is no http:// or https:// address");
    m_proxy = ProxyFinder::forUrl(url);
    if (!m_proxy.problem.empty())
        return fail(Kind::ProxySetting, m_proxy.problem);
    // The support log names the way every request takes, never a proxy's credentials.
    qCDebug(lcOnline).noquote() << (m_postBody ? "POST" : "GET") << url.toString(QUrl::RemoveUserInfo)
                                << (throughProxy()
                                        ? "through the proxy " +
                                              QString::fromStdString(m_proxy.proxy->shown()) + " (from " +
                                              QString::fromStdString(m_proxy.proxy->source) + ")"
                                        : QStringLiteral("directly"));
    QAbstractSocket* socket = makeSocket(isSecure(url));
    if (!socket)
        return;
    const auto port = static_cast<quint16>(portOf(url));
    if (throughProxy()) {
        connect(socket, &QAbstractSocket::connected, this, &HttpRequest::onConnected);
        socket->connectToHost(QString::fromStdString(m_proxy.proxy->host),
                              static_cast<quint16>(m_proxy.proxy->port));
        return;
    }
#if QT_CONFIG(ssl)
    if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
        connect(tls, &QSslSocket::encrypted, this, &HttpRequest::sendRequest);
        tls->connectToHostEncrypted(url.host(), port);
        return;
    }
#endif
    connect(socket, &QAbstractSocket::connected, this, &HttpRequest::sendRequest);
    socket->connectToHost(url.host(), port);
}

QAbstractSocket* HttpRequest::makeSocket(bool secure) {
#if QT_CONFIG(ssl)
    if (secure && !QSslSocket::supportsSsl()) {
        fail(Kind::Tls, "this computer offers no TLS for https:// addresses");
        return nullptr;
    }
    QAbstractSocket* socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
#else
    if (secure) {
        fail(Kind::Tls, "this build offers no TLS for https:// addresses");
        return nullptr;
    }
    QAbstractSocket* socket = new QTcpSocket(this);
#endif
    m_socket = socket;
    // The proxy, if any, is this class's to speak to; Qt's own proxy setting stays out of it.
    socket->setProxy(QNetworkProxy::NoProxy);
    socket->setReadBufferSize(m_bufferLimit);
    connect(socket, &QAbstractSocket::readyRead, this, [this] {
        if (m_tunnelling)
            readTunnelAnswer();
        else
            pump(true);
    });
    connect(socket, &QAbstractSocket::disconnected, this, &HttpRequest::onSocketEnded);
    connect(socket, &QAbstractSocket::errorOccurred, this, &HttpRequest::onSocketError);
    return socket;
}

HttpHeaders HttpRequest::proxyHeaders() const {
    if (!throughProxy() || !m_proxy.proxy->hasCredentials())
        return {};
    return {{"Proxy-Authorization", BasicProxyAuthorization(*m_proxy.proxy)}};
}

void HttpRequest::onConnected() {
    if (isSecure(m_url))
        askForTunnel();
    else
        sendRequest();
}

void HttpRequest::askForTunnel() {
    m_tunnelling = true;
    const std::string request = HttpConnectRequest(targetOf(m_url), portOf(m_url), proxyHeaders());
    m_socket->write(request.data(), static_cast<qint64>(request.size()));
}

void HttpRequest::readTunnelAnswer() {
    std::string ignored;
    while (m_socket && m_socket->bytesAvailable() > 0 &&
           m_tunnelAnswer.state() == HttpReplyReader::State::Head) {
        // Byte by byte: what follows the answer's head is the server's, not the proxy's.
        char byte = 0;
        m_socket->getChar(&byte);
        m_tunnelAnswer.feed(std::string_view(&byte, 1), ignored);
    }
    if (m_tunnelAnswer.state() == HttpReplyReader::State::Head)
        return;
    if (m_tunnelAnswer.state() == HttpReplyReader::State::Failed)
        return fail(Kind::ProxyRefused, "its answer is not HTTP");
    const int status = m_tunnelAnswer.head().status.value_or(0);
    // Some proxies (tinyproxy) refuse wrong credentials with a 401: to a CONNECT, only the proxy
    // can have answered, so it is said as the proxy's refusal too.
    if (status == kProxyAuthenticationRequired ||
        (status == kUnauthorized && m_proxy.proxy->hasCredentials()))
        return fail(Kind::ProxyAuthentication);
    if (status < 200 || status > 299)
        return fail(Kind::ProxyRefused, m_tunnelAnswer.head().statusLine);
    m_tunnelling = false;
    startTls();
}

void HttpRequest::startTls() {
#if QT_CONFIG(ssl)
    auto* tls = qobject_cast<QSslSocket*>(m_socket.data());
    if (!tls)
        return;
    // The certificate is checked against the server's name, not the proxy's.
    tls->setPeerVerifyName(m_url.host());
    connect(tls, &QSslSocket::encrypted, this, &HttpRequest::sendRequest);
    tls->startClientEncryption();
#endif
}

void HttpRequest::sendRequest() {
    if (!m_socket)
        return;
    HttpTarget target = targetOf(m_url);
    HttpHeaders headers = m_headers;
    if (throughProxy() && !isSecure(m_url)) {
        target.absoluteScheme = "http";
        for (auto& header : proxyHeaders())
            headers.push_back(std::move(header));
    }
    if (m_postBody)
        headers.emplace_back("Content-Length", std::to_string(m_postBody->size()));
    const std::string head = HttpRequestHead(m_postBody ? "POST" : "GET", target, headers);
    m_socket->write(head.data(), static_cast<qint64>(head.size()));
    if (m_postBody)
        m_socket->write(*m_postBody);
}

void HttpRequest::onSocketError() {
    if (!m_socket)
        return;
    // The server closing its end (in order or by a reset) ends the reply; whether it was whole is
    // the reader's to say. Anything else breaks it.
    if (m_socket->error() != QAbstractSocket::RemoteHostClosedError)
        m_socketFailed = true;
    onSocketEnded();
}

void HttpRequest::onSocketEnded() {
    m_socketEnded = true;
    if (m_tunnelling) {
        if (m_socketFailed)
            return failFromSocket();
        return fail(Kind::ProxyRefused, "it closed the connection");
    }
    pump(true);
}

void HttpRequest::failFromSocket() {
    const QAbstractSocket::SocketError error = m_socket->error();
    const std::string reason = m_socket->errorString().toStdString();
    const bool connected = m_tunnelling || m_reader.state() != HttpReplyReader::State::Head || m_socketEnded;
    const bool beforeConnecting = error == QAbstractSocket::ConnectionRefusedError ||
                                  error == QAbstractSocket::HostNotFoundError ||
                                  (error == QAbstractSocket::SocketTimeoutError && !connected);
    if (throughProxy() && beforeConnecting)
        return fail(Kind::ProxyUnreachable, reason);
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return fail(Kind::ServerRefused);
        case QAbstractSocket::HostNotFoundError:
            return fail(Kind::HostNotFound);
        case QAbstractSocket::SocketTimeoutError:
            return fail(Kind::NoAnswer);
        case QAbstractSocket::SslHandshakeFailedError:
        case QAbstractSocket::SslInvalidUserDataError:
        case QAbstractSocket::SslInternalError:
            return fail(Kind::Tls, reason);
        default:
            return fail(m_reader.state() == HttpReplyReader::State::Head ? Kind::Other : Kind::CutShort,
                        reason);
    }
}

void HttpRequest::pump(bool announce) {
    if (m_finished || !m_socket)
        return;
    const bool headBefore = m_headWhole;
    const qint64 before = bytesAvailable();
    const auto reading = [this] {
        return m_reader.state() == HttpReplyReader::State::Head ||
               m_reader.state() == HttpReplyReader::State::Body;
    };
    while (reading() && bytesAvailable() < m_bufferLimit && m_socket->bytesAvailable() > 0) {
        const QByteArray piece = m_socket->read(kSocketPiece);
        m_reader.feed(std::string_view(piece.constData(), static_cast<std::size_t>(piece.size())), m_body);
    }
    if (reading() && m_socketEnded && m_socket->bytesAvailable() == 0) {
        if (m_socketFailed)
            return failFromSocket();
        m_reader.connectionEnded();
        if (m_reader.state() == HttpReplyReader::State::Failed)
            return fail(Kind::CutShort, m_reader.error());
    }
    if (!m_headWhole && (m_reader.state() == HttpReplyReader::State::Body ||
                         m_reader.state() == HttpReplyReader::State::Done)) {
        m_headWhole = true;
        if (throughProxy() && !isSecure(m_url) && m_reader.head().status == kProxyAuthenticationRequired)
            return fail(Kind::ProxyAuthentication);
        if (followRedirect())
            return;
        if (m_finished)
            return;
    }
    if (announce && (m_headWhole != headBefore || bytesAvailable() > before))
        announceData();
    if (m_reader.state() == HttpReplyReader::State::Done)
        conclude();
    else if (m_reader.state() == HttpReplyReader::State::Failed)
        fail(Kind::Damaged, m_reader.error());
}

bool HttpRequest::followRedirect() {
    const std::optional<std::string> location = m_reader.header("location");
    const int status = *m_reader.head().status;
    if (!isRedirect(status) || !location || m_redirects >= kMaxRedirects)
        return false;
    const QUrl next = m_url.resolved(QUrl::fromEncoded(QByteArray::fromStdString(*location)));
    const bool known = next.scheme() == QLatin1String("http") || isSecure(next);
    const bool downgrade = isSecure(m_url) && !isSecure(next);
    if (!next.isValid() || !known || downgrade) {
        fail(Kind::BadRedirect,
             next.isValid() ? next.toString(QUrl::RemoveUserInfo).toStdString() : *location);
        return true;
    }
    ++m_redirects;
    m_headWhole = false;
    m_body.clear();
    m_bodyRead = 0;
    if (status != 307 && status != 308)
        m_postBody.reset();
    qCDebug(lcOnline) << "redirected to" << next.toString(QUrl::RemoveUserInfo);
    connectTo(next);
    return true;
}

void HttpRequest::announceData() {
    if (m_announcing)
        return;
    m_announcing = true;
    // Told from the event loop, never from within the socket's own signal: a reader may open a
    // message box there, and a socket deleted under its own signal would crash on the way back.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcing = false;
            emit readyRead();
        },
        Qt::QueuedConnection);
}

void HttpRequest::fail(HttpFailure::Kind kind, std::string detail) {
    if (m_finished)
        return;
    const QUrl& url = m_url;
    m_failure.kind = kind;
    m_failure.server = url.host().toStdString() + ":" + std::to_string(portOf(url));
    m_failure.proxy = throughProxy() ? m_proxy.proxy->shown() + " (from " + m_proxy.proxy->source + ")" : "";
    m_failure.credentialsGiven = throughProxy() && m_proxy.proxy->hasCredentials();
    m_failure.detail = std::move(detail);
    conclude();
}

void HttpRequest::conclude() {
    if (m_finished)
        return;
    m_finished = true;
    m_deadline.stop();
    if (m_failure)
        qCDebug(lcOnline).noquote() << "request to" << m_url.toString(QUrl::RemoveUserInfo)
                                    << "failed:" << errorString();
    closeSocket();
    // Told from the event loop: a reader inside read() finishes its loop first.
    QMetaObject::invokeMethod(
        this, [this] { emit finished(); }, Qt::QueuedConnection);
}

void HttpRequest::closeSocket() {
    if (!m_socket)
        return;
    QAbstractSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

}  // namespace vantor::online
