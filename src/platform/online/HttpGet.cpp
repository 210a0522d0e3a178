#include "platform/online/HttpGet.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTcpSocket>
#include <algorithm>

#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

#include "platform/online/OnlineLog.h"

namespace vantor::online {

namespace {

constexpr qint64 kSocketPiece = 64 * 1024;

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
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

int defaultPort(const QUrl& url) {
    return url.scheme() == QLatin1String("https") ? 443 : 80;
}

}  // namespace

HttpGet::HttpGet(QUrl url, Headers headers, QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_headers(std::move(headers)) {}

HttpGet::~HttpGet() {
    closeSocket();
}

void HttpGet::start() {
    connectTo(m_url);
}

const ReplyHead& HttpGet::head() const {
    static const ReplyHead none;
    return m_headWhole ? m_reader.head() : none;
}

QByteArray HttpGet::read(qint64 most) {
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

void HttpGet::abort() {
    if (m_finished)
        return;
    closeSocket();
    m_finished = true;
    m_error = QStringLiteral("the request was stopped");
    emit finished();
}

void HttpGet::connectTo(const QUrl& url) {
    closeSocket();
    m_url = url;
    m_reader = HttpReplyReader();
    m_socketEnded = false;
    m_socketError.clear();
    const bool secure = url.scheme() == QLatin1String("https");
    if (!secure && url.scheme() != QLatin1String("http")) {
        conclude(QStringLiteral("%1 is no http:// or https:// address").arg(url.toString()));
        return;
    }
#if QT_CONFIG(ssl)
    if (secure && !QSslSocket::supportsSsl()) {
        conclude(QStringLiteral("this computer offers no TLS for https:// addresses"));
        return;
    }
    QAbstractSocket* socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
#else
    if (secure) {
        conclude(QStringLiteral("this build offers no TLS for https:// addresses"));
        return;
    }
    QAbstractSocket* socket = new QTcpSocket(this);
#endif
    m_socket = socket;
    socket->setReadBufferSize(m_bufferLimit);
    connect(socket, &QAbstractSocket::readyRead, this, [this] { pump(true); });
    connect(socket, &QAbstractSocket::disconnected, this, &HttpGet::onSocketEnded);
    connect(socket, &QAbstractSocket::errorOccurred, this, &HttpGet::onSocketError);
    const quint16 port = static_cast<quint16>(url.port(defaultPort(url)));
#if QT_CONFIG(ssl)
    if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
        connect(tls, &QSslSocket::encrypted, this, &HttpGet::sendRequest);
        tls->connectToHostEncrypted(url.host(), port);
        return;
    }
#endif
    connect(socket, &QAbstractSocket::connected, this, &HttpGet::sendRequest);
    socket->connectToHost(url.host(), port);
}

void HttpGet::sendRequest() {
    if (!m_socket)
        return;
    const std::string request = HttpGetRequest(targetOf(m_url), m_headers);
    qCDebug(lcOnline) << "GET" << m_url.toString();
    m_socket->write(request.data(), static_cast<qint64>(request.size()));
}

void HttpGet::onSocketError() {
    if (!m_socket)
        return;
    // The server closing its end (in order or by a reset) ends the reply; whether it was whole is
    // the reader's to say. Anything else breaks it.
    if (m_socket->error() != QAbstractSocket::RemoteHostClosedError)
        m_socketError = m_socket->errorString();
    onSocketEnded();
}

void HttpGet::onSocketEnded() {
    m_socketEnded = true;
    pump(true);
}

void HttpGet::pump(bool announce) {
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
        if (m_socketError.isEmpty())
            m_reader.connectionEnded();
        else
            return conclude(m_socketError);
    }
    if (!m_headWhole && (m_reader.state() == HttpReplyReader::State::Body ||
                         m_reader.state() == HttpReplyReader::State::Done)) {
        m_headWhole = true;
        if (followRedirect())
            return;
    }
    if (announce && (m_headWhole != headBefore || bytesAvailable() > before))
        announceData();
    if (m_reader.state() == HttpReplyReader::State::Done)
        conclude({});
    else if (m_reader.state() == HttpReplyReader::State::Failed)
        conclude(QString::fromStdString(m_reader.error()));
}

bool HttpGet::followRedirect() {
    const std::optional<std::string> location = m_reader.header("location");
    if (!isRedirect(*m_reader.head().status) || !location || m_redirects >= kMaxRedirects)
        return false;
    const QUrl next = m_url.resolved(QUrl::fromEncoded(QByteArray::fromStdString(*location)));
    const bool downgrade =
        m_url.scheme() == QLatin1String("https") && next.scheme() != QLatin1String("https");
    if (!next.isValid() || downgrade)
        return false;  // the redirect itself is the answer, refused with its status
    ++m_redirects;
    m_headWhole = false;
    m_body.clear();
    m_bodyRead = 0;
    qCDebug(lcOnline) << "redirected to" << next.toString();
    connectTo(next);
    return true;
}

void HttpGet::announceData() {
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

void HttpGet::conclude(const QString& error) {
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    if (!error.isEmpty())
        qCDebug(lcOnline) << "request to" << m_url.toString() << "ended:" << error;
    closeSocket();
    // Told from the event loop: a reader inside read() finishes its loop first.
    QMetaObject::invokeMethod(
        this, [this] { emit finished(); }, Qt::QueuedConnection);
}

void HttpGet::closeSocket() {
    if (!m_socket)
        return;
    QAbstractSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

}  // namespace vantor::online
